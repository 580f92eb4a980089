#include "tokens/views/TokenDetailView.h"

#include "common/LocalizationService.h"
#include "components/ActionButton.h"
#include "components/Card.h"
#include "components/IconLibrary.h"
#include "components/InlineBanner.h"
#include "components/Style.h"
#include "orvela/tokenkit/Bytes.h"
#include "tokens/TokenFailureText.h"
#include "tokens/TokenManager.h"
#include "tokens/TokenTargets.h"
#include "tokens/views/ProvisionSection.h"
#include "tokens/views/TokenAdminView.h"
#include "tokens/views/TokenSignTestView.h"
#include "tokens/views/TokenTargetLine.h"

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

TokenDetailView::TokenDetailView(TokenManager& manager, TokenTargets& targets,
                                 ProvisionController& provision, SignTestController& signTest,
                                 common::LocalizationService& localization,
                                 components::Prompts& prompts, QWidget* parent)
    : QWidget(parent), m_manager(manager), m_targets(targets), m_localization(localization)
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
    m_differ =
        new components::InlineBanner(components::InlineBanner::Kind::warning, QString(), content);
    m_differ->setObjectName(QStringLiteral("tokensDiffer"));
    layout->addWidget(m_differ);
    layout->addWidget(new ProvisionSection(provision, targets, localization, prompts, content));
    layout->addWidget(new TokenAdminView(manager, targets, localization, prompts, content));
    layout->addWidget(new TokenSignTestView(signTest, targets, localization, prompts, content));
    layout->addStretch();

    connect(m_back, &QPushButton::clicked, this, &TokenDetailView::backRequested);
    connect(m_refresh, &QPushButton::clicked, &m_manager, &TokenManager::refresh);
    connect(m_refresh, &QPushButton::clicked, &m_targets, &TokenTargets::refresh);
    connect(&m_targets, &TokenTargets::changed, this, &TokenDetailView::showTargets);
    connect(&m_manager, &TokenManager::isTokenPresentChanged, this, &TokenDetailView::refresh);
    connect(&m_manager, &TokenManager::isCardPresentChanged, this, &TokenDetailView::refresh);
    connect(&m_manager, &TokenManager::tokenInfoChanged, this, &TokenDetailView::refresh);
    connect(&m_manager, &TokenManager::failureChanged, this, &TokenDetailView::refresh);
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
    showTargets();
}

void TokenDetailView::showTargets()
{
    // The details shown are the APDU road's token; when the PKCS#11 road reaches another one,
    // the sections below would otherwise act on a token nobody sees.
    m_differ->setVisible(m_targets.differ());
    if (m_targets.differ()) {
        m_differ->setText(m_localization.localized(QStringLiteral("TokenTarget_Differ"))
                              .arg(tokenName(*m_targets.apduLabel(), m_localization),
                                   m_targets.apduReader(),
                                   pkcs11TokenText(*m_targets.pkcs11Token(), m_localization)));
    }
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
    // Worded now, in the language of the moment: a switch redraws it from the typed failure.
    const auto& failure = m_manager.failure();
    const auto language = m_localization.language();
    m_statusLine->setText(connected ? key("Tokens_Ready")
                          : failure ? tokenFailureWords(*failure, language).what
                                    : key("Tokens_PlugIn"));
    // A card gone is what the notice says; any other failure (the service may be down) says
    // better than "plug it back in" what is wrong.
    const bool cardOut = !failure || failure->kind == TokenFailureKind::noCard ||
                         failure->kind == TokenFailureKind::cardRemoved;
    const bool noticed = !connected && cardOut;
    m_notice->setVisible(noticed);
    m_error->setText(failure ? tokenFailureText(*failure, language) : QString());
    m_error->setVisible(failure && !noticed);

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
