#include "tokens/views/TokensListView.h"

#include "common/LocalizationService.h"
#include "components/AccentBadge.h"
#include "components/Accessibility.h"
#include "components/ActionButton.h"
#include "components/Card.h"
#include "components/IconLibrary.h"
#include "components/Style.h"
#include "tokens/TokenFailureText.h"
#include "tokens/TokenManager.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace orvela::tokens::views {

namespace style = components::style;
using components::ActionButton;

TokensListView::TokensListView(TokenManager& manager, common::LocalizationService& localization,
                               QWidget* parent)
    : QWidget(parent), m_manager(manager), m_localization(localization)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(style::spacingXl, style::spacingXl, style::spacingXl,
                               style::spacingXl);
    layout->setSpacing(style::spacingM);

    auto* header = new QHBoxLayout;
    auto* texts = new QVBoxLayout;
    m_title = new QLabel(this);
    m_title->setFont(style::titleFont());
    components::markAsHeading(m_title);
    m_title->setWordWrap(true);
    m_subtitle = new QLabel(this);
    m_subtitle->setWordWrap(true);
    texts->addWidget(m_title);
    texts->addWidget(m_subtitle);
    header->addLayout(texts, 1);
    m_refresh = new ActionButton(QString(), ActionButton::Role::secondary, this);
    m_refresh->setSymbol(QStringLiteral("arrow.clockwise"));
    header->addWidget(m_refresh, 0, Qt::AlignTop);
    layout->addLayout(header);

    m_connected = new components::Card(this);
    m_connected->setObjectName(QStringLiteral("tokenRow"));
    auto* row = new QHBoxLayout;
    auto* icon = new QLabel(m_connected);
    components::IconLibrary::showThemed(icon, QStringLiteral("key.horizontal.fill"), 24,
                                        components::Tone::info);
    m_name = new QLabel(m_connected);
    m_name->setObjectName(QStringLiteral("tokenName"));
    m_name->setTextFormat(Qt::PlainText); // the label is the token's own
    m_name->setFont(style::headlineFont());
    m_name->setWordWrap(true);
    m_badge = new components::AccentBadge(QString(), m_connected);
    m_badge->setObjectName(QStringLiteral("tokenBadge"));
    m_details = new ActionButton(QString(), ActionButton::Role::secondary, m_connected);
    m_details->setObjectName(QStringLiteral("detailsButton"));
    m_details->setSymbol(QStringLiteral("chevron.right"));
    m_details->setLayoutDirection(Qt::RightToLeft); // the chevron follows the word
    row->addWidget(icon);
    row->addWidget(m_name, 1);
    row->addWidget(m_badge);
    row->addWidget(m_details);
    m_connected->contentLayout()->addLayout(row);
    layout->addWidget(m_connected);

    m_empty = new components::Card(this);
    m_empty->setObjectName(QStringLiteral("tokensEmpty"));
    m_emptyHint = new QLabel(m_empty);
    m_emptyHint->setWordWrap(true);
    m_empty->contentLayout()->addWidget(m_emptyHint);
    layout->addWidget(m_empty);
    layout->addStretch();

    connect(m_refresh, &QPushButton::clicked, &m_manager, &TokenManager::refresh);
    connect(m_details, &QPushButton::clicked, this, &TokensListView::detailsRequested);
    connect(&m_manager, &TokenManager::isTokenPresentChanged, this, &TokensListView::refresh);
    connect(&m_manager, &TokenManager::tokenInfoChanged, this, &TokensListView::refresh);
    connect(&m_manager, &TokenManager::failureChanged, this, &TokensListView::refresh);
    connect(&m_localization, &common::LocalizationService::languageChanged, this,
            &TokensListView::retranslate);
    retranslate();
}

void TokensListView::retranslate()
{
    const auto key = [this](const char* name) {
        return m_localization.localized(QLatin1String(name));
    };
    m_title->setText(key("Tokens_Title"));
    m_subtitle->setText(key("Tokens_Subtitle"));
    m_refresh->setText(key("Common_Refresh"));
    m_connected->setTitle(key("Tokens_Connected_Header"));
    m_details->setText(key("Common_Details"));
    refresh();
}

void TokensListView::refresh()
{
    const bool present = m_manager.isTokenPresent();
    m_connected->setVisible(present);
    m_empty->setVisible(!present);
    const auto& info = m_manager.tokenInfo();
    const bool named = info && !info->label.empty();
    m_name->setText(named ? QString::fromStdString(info->label)
                          : m_localization.localized(QStringLiteral("Tokens_Default_Name")));
    m_badge->setText(info && info->isFIPS ? QStringLiteral("FIPS") : QStringLiteral("APDU"));
    // With no reader listing at all, the reason (the service may be down) replaces the plea
    // to plug a token in.
    const auto& failure = m_manager.failure();
    if (failure && !present) {
        const auto words = tokenFailureWords(*failure, m_localization.language());
        m_empty->setTitle(words.what);
        m_emptyHint->setText(words.advice);
    } else {
        m_empty->setTitle(m_localization.localized(QStringLiteral("Tokens_Empty_Title")));
        m_emptyHint->setText(m_localization.localized(QStringLiteral("Tokens_Empty_Hint")));
    }
}

} // namespace orvela::tokens::views
