#pragma once

#include "tokens/TokenFailure.h"
#include "tokens/TokenProvisioner.h"

#include <QObject>
#include <QString>
#include <optional>
#include <string>

namespace orvela::tokens {

class TokenManager;

/// The road a token section takes to its token.
enum class TokenRoad { apdu, pkcs11 };

/// Which token each road acts on, for the sections to say so: the APDU road works on the token
/// in the manager's reader, the PKCS#11 road on the first token its library finds. The two
/// may be different tokens (in demo mode they are), which the page must say plainly.
class TokenTargets : public QObject {
    Q_OBJECT

public:
    TokenTargets(TokenManager& manager, TokenProvisioner::Options options,
                 QObject* parent = nullptr);

    /// The reader the APDU road uses; empty when there is none.
    QString apduReader() const;
    /// The APDU token's label ("" when unnamed); none while no token was read.
    std::optional<std::string> apduLabel() const;

    /// The PKCS#11 road's token; none before the first look-up, while looking or after a failure.
    const std::optional<Pkcs11Token>& pkcs11Token() const { return m_pkcs11; }
    /// Why the last look-up found no PKCS#11 token.
    const std::optional<TokenFailure>& pkcs11Failure() const { return m_failure; }
    bool isLooking() const { return m_looking; }

    /// Both roads see a token and they are not the same one. The label is the one thing both
    /// roads read of a token, so tokens are told apart by it.
    bool differ() const;

    /// Looks the PKCS#11 token up again (a task of the PKCS#11 worker); the APDU side follows
    /// the manager by itself.
    void refresh();

signals:
    void changed();

private:
    TokenManager& m_manager;
    TokenProvisioner::Options m_options;
    std::optional<Pkcs11Token> m_pkcs11;
    std::optional<TokenFailure> m_failure;
    bool m_looking = false;
    quint64 m_lookup = 0; ///< numbers look-ups, so that only the latest is kept
};

} // namespace orvela::tokens
