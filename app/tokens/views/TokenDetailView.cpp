#include "tokens/views/TokenDetailView.h"

#include "common/LocalizationService.h"
#include "components/ActionButton.h"
#include "components/Card.h"
#include "components/IconLibrary.h"
#include "components/InlineBanner.h"
#include "components/Style.h"
#include "orvela/tokenkit/Bytes.h"
#include "tokens/TokenManager.h"
#include "tokens/views/ProvisionSection.h"
#include "tokens/views/TokenAdminView.h"
#include "tokens/views/TokenSignTestView.h"

#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace orvela::tokens::views {

namespace style = components::style;
using components::ActionButton;

namespace {

QLabel* plainLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

} // namespace

TokenDetailView::TokenDetailView(TokenManager& manager, ProvisionController& provision,
                                 SignTestController& signTest,
                                 common::LocalizationService& localization, TokenPrompts& prompts,
                                 QWidget* parent)
    : QWidget(parent), m_manager(manager), m_localization(localization)
{
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);

    auto* content = new QWidget(scroll);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(style::spacingXl, style::spacingXl, style::spacingXl,
                               style::spacingXl);
    layout->setSpacing(style::spacingM);
    scroll->setWidget(content);

    layout->addWidget(makeHeader(content));
    layout->addWidget(makeStatus(content));
    m_notice =
        new components::InlineBanner(components::InlineBanner::Kind::warning, QString(), content);
    m_error =
        new components::InlineBanner(components::InlineBanner::Kind::error, QString(), content);
    m_notice->setObjectName(QStringLiteral("disconnectedNotice"));
    layout->addWidget(m_notice);
    layout->addWidget(m_error);
    m_info = makeInfoCard(content);
    layout->addWidget(m_info);
    layout->addWidget(new ProvisionSection(provision, localization, prompts, content));
    layout->addWidget(new TokenAdminView(manager, localization, prompts, content));
    layout->addWidget(new TokenSignTestView(signTest, localization, prompts, content));
    layout->addStretch();

    connect(m_back, &QPushButton::clicked, this, &TokenDetailView::backRequested);
    connect(m_refresh, &QPushButton::clicked, &m_manager, &TokenManager::refresh);
    connect(&m_manager, &TokenManager::isTokenPresentChanged, this, &TokenDetailView::refresh);
    connect(&m_manager, &TokenManager::isCardPresentChanged, this, &TokenDetailView::refresh);
    connect(&m_manager, &TokenManager::tokenInfoChanged, this, &TokenDetailView::refresh);
    connect(&m_manager, &TokenManager::errorMessageChanged, this, &TokenDetailView::refresh);
    connect(&m_localization, &common::LocalizationService::languageChanged, this,
            &TokenDetailView::retranslate);
    retranslate();
}

QWidget* TokenDetailView::makeHeader(QWidget* parent)
{
    auto* header = new QWidget(parent);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    m_back = new ActionButton(QString(), ActionButton::Role::secondary, header);
    m_back->setObjectName(QStringLiteral("backButton"));
    m_back->setSymbol(QStringLiteral("chevron.left"));
    m_refresh = new ActionButton(QString(), ActionButton::Role::secondary, header);
    m_refresh->setSymbol(QStringLiteral("arrow.clockwise"));
    row->addWidget(m_back);
    row->addStretch();
    row->addWidget(m_refresh);
    return header;
}

QWidget* TokenDetailView::makeStatus(QWidget* parent)
{
    auto* status = new components::Card(parent);
    auto* row = new QHBoxLayout;
    m_statusIcon = new QLabel(status);
    m_statusIcon->setObjectName(QStringLiteral("statusIcon"));
    m_statusIcon->setFixedSize(36, 36);
    style::followTheme(m_statusIcon, [this] { drawStatusIcon(); });
    auto* texts = new QVBoxLayout;
    m_statusTitle = plainLabel(status);
    m_statusTitle->setObjectName(QStringLiteral("statusTitle"));
    m_statusTitle->setFont(style::headlineFont());
    m_statusLine = plainLabel(status);
    m_statusLine->setFont(style::captionFont());
    texts->addWidget(m_statusTitle);
    texts->addWidget(m_statusLine);
    row->addWidget(m_statusIcon);
    row->addLayout(texts, 1);
    status->contentLayout()->addLayout(row);
    return status;
}

components::Card* TokenDetailView::makeInfoCard(QWidget* parent)
{
    auto* card = new components::Card(parent);
    auto* form = new QFormLayout;
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);
    m_nameLabel = plainLabel(card);
    m_name = plainLabel(card);
    m_fipsLabel = plainLabel(card);
    m_fips = plainLabel(card);
    m_atrLabel = plainLabel(card);
    m_atr = plainLabel(card);
    m_atr->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    for (QLabel* value : {m_name, m_atr}) {
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    form->addRow(m_nameLabel, m_name);
    form->addRow(m_fipsLabel, m_fips);
    form->addRow(m_atrLabel, m_atr);
    card->contentLayout()->addLayout(form);
    return card;
}

bool TokenDetailView::isConnected() const
{
    return m_manager.isTokenPresent() && m_manager.isCardPresent();
}

void TokenDetailView::retranslate()
{
    const auto key = [this](const char* name) {
        return m_localization.localized(QLatin1String(name));
    };
    m_back->setText(key("Nav_Tokens"));
    m_refresh->setText(key("Common_Refresh"));
    m_info->setTitle(key("Tokens_Info"));
    m_nameLabel->setText(key("Tokens_Info_Name"));
    m_fipsLabel->setText(key("Tokens_Info_Fips"));
    m_atrLabel->setText(key("Tokens_Info_Atr"));
    m_notice->setText(key("Tokens_Disconnected_Notice"));
    refresh();
}

void TokenDetailView::drawStatusIcon()
{
    const bool connected = isConnected();
    m_statusIcon->setPixmap(components::IconLibrary::tinted(
        connected ? QStringLiteral("checkmark.shield.fill") : QStringLiteral("xmark.shield"),
        style::toneColors(connected ? components::Tone::success : components::Tone::danger)
            .foreground,
        32));
}

void TokenDetailView::refresh()
{
    const auto key = [this](const char* name) {
        return m_localization.localized(QLatin1String(name));
    };
    const bool connected = isConnected();
    drawStatusIcon();
    m_statusTitle->setText(key(connected ? "Tokens_Connected" : "Tokens_Disconnected"));
    m_statusLine->setText(key(connected ? "Tokens_Ready" : "Tokens_PlugIn"));
    m_notice->setVisible(!connected);
    m_error->setText(m_manager.errorMessage());
    m_error->setVisible(!m_manager.errorMessage().isEmpty());

    const auto& info = m_manager.tokenInfo();
    m_info->setVisible(info.has_value());
    if (info) {
        m_name->setText(info->label.empty() ? key("Tokens_Default_Name")
                                            : QString::fromStdString(info->label));
        m_fips->setText(key(info->isFIPS ? "Tokens_Yes" : "Tokens_No"));
        m_atr->setText(
            style::groupedForWrapping(QString::fromStdString(tokenkit::bytesToHex(info->atr)), 8));
    }
}

} // namespace orvela::tokens::views
