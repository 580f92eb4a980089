#pragma once

#include <QString>

namespace orvela::tokens {

/// The three secret fields that both provisioning roads ask for.
struct ProvisionPins {
    QString userPin;
    QString userPinRepeat;
    QString soPin; ///< SO PIN; on the APDU road it is also the PUK
};

inline constexpr int kMinUserPinLength = 6;
inline constexpr int kMinSoPinLength = 8;

/// The enabling rule of the provisioning button: user PIN of at least 6 characters, repeated
/// exactly, and an SO PIN / PUK of at least 8 characters.
bool canProvision(const ProvisionPins& pins);

} // namespace orvela::tokens
