#pragma once

#include "tokens/TokenTargets.h"

#include <QLabel>

namespace orvela::common {
class LocalizationService;
}

namespace orvela::tokens::views {

/// The line at the head of a token section that says which token it acts on: its label and
/// road, and for PKCS#11 the library file and slot. Worded again on a language switch.
class TokenTargetLine : public QLabel {
    Q_OBJECT

public:
    TokenTargetLine(const TokenTargets& targets, TokenRoad road,
                    const common::LocalizationService& localization, QWidget* parent);

    /// For sections whose road follows a choice (provisioning, the sign test).
    void setRoad(TokenRoad road);

private:
    void refresh();

    const TokenTargets& m_targets;
    TokenRoad m_road;
    const common::LocalizationService& m_localization;
};

/// The label of a token as the page names it: its own, or "an unnamed token".
QString tokenName(const std::string& label, const common::LocalizationService& localization);

/// "LABEL — PKCS#11 through LIBRARY, slot N", in the interface language.
QString pkcs11TokenText(const Pkcs11Token& token, const common::LocalizationService& localization);

} // namespace orvela::tokens::views
