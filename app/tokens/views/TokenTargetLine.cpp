#include "tokens/views/TokenTargetLine.h"

#include "common/LocalizationService.h"
#include "components/Style.h"
#include "tokens/TokenFailureText.h"

namespace orvela::tokens::views {

QString tokenName(const std::string& label, const common::LocalizationService& localization)
{
    return label.empty() ? localization.localized(QStringLiteral("TokenTarget_Unnamed"))
                         : QString::fromStdString(label);
}

QString pkcs11TokenText(const Pkcs11Token& token, const common::LocalizationService& localization)
{
    return localization.localized(QStringLiteral("TokenTarget_Pkcs11Token"))
        .arg(tokenName(token.label, localization), QString::fromStdString(token.library),
             QString::number(token.slot));
}

namespace {

QString apduText(const TokenTargets& targets, const common::LocalizationService& localization)
{
    const QString reader = targets.apduReader();
    const auto label = targets.apduLabel();
    if (reader.isEmpty() || !label) {
        return localization.localized(QStringLiteral("TokenTarget_ApduNone"));
    }
    return localization.localized(QStringLiteral("TokenTarget_Apdu"))
        .arg(tokenName(*label, localization), reader);
}

QString pkcs11Text(const TokenTargets& targets, const common::LocalizationService& localization)
{
    if (const auto& token = targets.pkcs11Token()) {
        return localization.localized(QStringLiteral("TokenTarget_Pkcs11"))
            .arg(pkcs11TokenText(*token, localization));
    }
    if (const auto& failure = targets.pkcs11Failure(); failure && !targets.isLooking()) {
        return localization.localized(QStringLiteral("TokenTarget_Pkcs11None"))
            .arg(tokenFailureWords(*failure, localization.language()).what);
    }
    return localization.localized(QStringLiteral("TokenTarget_Pkcs11Looking"));
}

} // namespace

TokenTargetLine::TokenTargetLine(const TokenTargets& targets, TokenRoad road,
                                 const common::LocalizationService& localization, QWidget* parent)
    : QLabel(parent), m_targets(targets), m_road(road), m_localization(localization)
{
    setObjectName(QStringLiteral("tokenTarget"));
    setTextFormat(Qt::PlainText); // labels and paths come from the token and the system
    setWordWrap(true);
    setFont(components::style::captionFont());
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(&targets, &TokenTargets::changed, this, &TokenTargetLine::refresh);
    connect(&localization, &common::LocalizationService::languageChanged, this,
            &TokenTargetLine::refresh);
    refresh();
}

void TokenTargetLine::setRoad(TokenRoad road)
{
    if (road != m_road) {
        m_road = road;
        refresh();
    }
}

void TokenTargetLine::refresh()
{
    setText(m_road == TokenRoad::apdu ? apduText(m_targets, m_localization)
                                      : pkcs11Text(m_targets, m_localization));
}

} // namespace orvela::tokens::views
