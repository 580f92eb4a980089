#include "tokens/views/ProvisionSection.h"

#include "common/LocalizationService.h"
#include "components/ActionButton.h"
#include "components/Card.h"
#include "components/IconLibrary.h"
#include "components/InlineBanner.h"
#include "components/Style.h"
#include "tokens/ProvisionController.h"
#include "tokens/TokenFailureText.h"
#include "tokens/views/KeyedTexts.h"
#include "tokens/views/SecureField.h"
#include "tokens/views/TokenPrompts.h"
#include "tokens/views/TokenTargetLine.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
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

QLabel* iconLabel(const QString& symbol, components::Tone tone, QWidget* parent)
{
    auto* label = new QLabel(parent);
    components::IconLibrary::showThemed(label, symbol, 24, tone);
    label->setFixedSize(28, 28);
    return label;
}

/// A form page: its three fields in order, each named by its label's key.
void addForm(QVBoxLayout* page, KeyedTexts& texts,
             const std::initializer_list<std::pair<const char*, QLineEdit*>>& rows)
{
    auto* form = new QFormLayout;
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);
    for (const auto& [key, field] : rows) {
        auto* label = plainLabel(nullptr);
        texts.label(label, key);
        texts.accessibleName(field, key);
        form->addRow(label, field);
    }
    page->addLayout(form);
}

} // namespace

ProvisionSection::ProvisionSection(ProvisionController& controller, const TokenTargets& targets,
                                   common::LocalizationService& localization,
                                   components::Prompts& prompts, QWidget* parent)
    : QWidget(parent), m_controller(controller), m_localization(localization), m_prompts(prompts),
      m_texts(new KeyedTexts(localization, this))
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_card = new components::Card(this);
    outer->addWidget(m_card);
    m_apduTarget = new TokenTargetLine(targets, TokenRoad::apdu, localization, m_card);
    m_pkcs11Target = new TokenTargetLine(targets, TokenRoad::pkcs11, localization, m_card);
    m_card->contentLayout()->addWidget(m_apduTarget);
    m_card->contentLayout()->addWidget(m_pkcs11Target);
    // One page per step, only the current one shown: hidden pages take no room, so the
    // section is as tall as the step it shows.
    m_pages = {makeChoosePage(), makeApduPage(), makePkcs11Page(), makeWorkingPage(),
               makeDonePage()};
    for (QWidget* page : std::as_const(m_pages)) {
        m_card->contentLayout()->addWidget(page);
    }
    m_error =
        new components::InlineBanner(components::InlineBanner::Kind::error, QString(), m_card);
    m_success =
        new components::InlineBanner(components::InlineBanner::Kind::success, QString(), m_card);
    m_card->contentLayout()->addWidget(m_error);
    m_card->contentLayout()->addWidget(m_success);

    connect(&m_controller, &ProvisionController::changed, this, &ProvisionSection::refresh);
    connect(&m_localization, &common::LocalizationService::languageChanged, this,
            &ProvisionSection::retranslate);
    retranslate();
}

QWidget* ProvisionSection::makeChoosePage()
{
    auto* page = new QWidget(m_card);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(keyedLabel(page, "Tokens_Provision_ChooseHint"));
    auto* apdu = new ActionButton(QString(), ActionButton::Role::primary, page);
    m_texts->button(apdu, "Tokens_Provision_ChooseApdu");
    apdu->setSymbol(QStringLiteral("lock.shield"));
    auto* pkcs11 = new ActionButton(QString(), ActionButton::Role::secondary, page);
    m_texts->button(pkcs11, "Tokens_Provision_ChoosePkcs11");
    auto* row = new QHBoxLayout;
    row->addWidget(apdu);
    row->addWidget(pkcs11);
    row->addStretch();
    layout->addLayout(row);
    connect(apdu, &QPushButton::clicked, &m_controller, &ProvisionController::chooseApdu);
    connect(pkcs11, &QPushButton::clicked, &m_controller, &ProvisionController::choosePkcs11);
    return page;
}

QWidget* ProvisionSection::makeApduPage()
{
    auto* page = new QWidget(m_card);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(keyedLabel(page, "Tokens_Provision_ApduPrompt"));
    m_apduUser = makeSecureField(page);
    m_apduRepeat = makeSecureField(page);
    m_apduPuk = makeSecureField(page);
    addForm(layout, *m_texts,
            {{"Tokens_Provision_UserPin", m_apduUser},
             {"Tokens_Provision_Repeat", m_apduRepeat},
             {"Tokens_Provision_SoPuk", m_apduPuk}});
    m_apduAction = new ActionButton(QString(), ActionButton::Role::primary, page);
    m_texts->button(m_apduAction, "Tokens_Provision_ApduAction");
    m_apduAction->setObjectName(QStringLiteral("provisionApduAction"));
    m_apduAction->submitOnEnter({m_apduUser, m_apduRepeat, m_apduPuk});
    layout->addWidget(m_apduAction, 0, Qt::AlignLeft);
    connect(m_apduUser, &QLineEdit::textEdited, &m_controller, &ProvisionController::setUserPin);
    connect(m_apduRepeat, &QLineEdit::textEdited, &m_controller,
            &ProvisionController::setUserPinRepeat);
    connect(m_apduPuk, &QLineEdit::textEdited, &m_controller, &ProvisionController::setSoPin);
    connect(m_apduAction, &QPushButton::clicked, this, &ProvisionSection::askToProvision);
    return page;
}

QWidget* ProvisionSection::makePkcs11Page()
{
    auto* page = new QWidget(m_card);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* header = new QHBoxLayout;
    header->addWidget(iconLabel(QStringLiteral("exclamationmark.triangle.fill"),
                                components::Tone::warning, page));
    auto* title = keyedLabel(page, "Tokens_Provision_Pkcs11Header");
    title->setFont(style::headlineFont());
    header->addWidget(title, 1);
    layout->addLayout(header);
    layout->addWidget(keyedLabel(page, "Tokens_Provision_Pkcs11Warning"));
    m_p11So = makeSecureField(page);
    m_p11User = makeSecureField(page);
    m_p11Repeat = makeSecureField(page);
    addForm(layout, *m_texts,
            {{"Tokens_Provision_SoPin", m_p11So},
             {"Tokens_Provision_UserPin", m_p11User},
             {"Tokens_Provision_UserRepeat", m_p11Repeat}});
    m_p11Action = new ActionButton(QString(), ActionButton::Role::primary, page);
    m_texts->button(m_p11Action, "Tokens_Provision_Pkcs11Action");
    m_p11Action->setObjectName(QStringLiteral("provisionPkcs11Action"));
    m_p11Action->submitOnEnter({m_p11So, m_p11User, m_p11Repeat});
    layout->addWidget(m_p11Action, 0, Qt::AlignLeft);
    connect(m_p11So, &QLineEdit::textEdited, &m_controller, &ProvisionController::setSoPin);
    connect(m_p11User, &QLineEdit::textEdited, &m_controller, &ProvisionController::setUserPin);
    connect(m_p11Repeat, &QLineEdit::textEdited, &m_controller,
            &ProvisionController::setUserPinRepeat);
    connect(m_p11Action, &QPushButton::clicked, this, &ProvisionSection::askToProvision);
    return page;
}

QWidget* ProvisionSection::makeWorkingPage()
{
    auto* page = new QWidget(m_card);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(keyedLabel(page, "Tokens_Provision_WorkingHint"));
    m_spinner = new QProgressBar(page);
    m_spinner->setRange(0, 0);
    m_spinner->setTextVisible(false);
    m_spinner->setMaximumHeight(8);
    m_workingCaption = plainLabel(page);
    m_workingCaption->setFont(style::captionFont());
    layout->addWidget(m_spinner);
    layout->addWidget(m_workingCaption);
    return page;
}

QWidget* ProvisionSection::makeDonePage()
{
    auto* page = new QWidget(m_card);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* header = new QHBoxLayout;
    header->addWidget(
        iconLabel(QStringLiteral("checkmark.seal.fill"), components::Tone::success, page));
    auto* title = keyedLabel(page, "Tokens_Provision_DoneTitle");
    title->setFont(style::headlineFont());
    header->addWidget(title, 1);
    layout->addLayout(header);
    layout->addWidget(keyedLabel(page, "Tokens_Provision_DoneText"));
    auto* again = new ActionButton(QString(), ActionButton::Role::secondary, page);
    m_texts->button(again, "Tokens_Provision_StartOver");
    layout->addWidget(again, 0, Qt::AlignLeft);
    connect(again, &QPushButton::clicked, &m_controller, &ProvisionController::startOver);
    return page;
}

QLabel* ProvisionSection::keyedLabel(QWidget* page, const char* key)
{
    auto* label = plainLabel(page);
    m_texts->label(label, key);
    return label;
}

void ProvisionSection::askToProvision()
{
    confirmTokenWipe(m_prompts, this, m_localization, [this] { m_controller.provision(); });
}

void ProvisionSection::showPage(int index)
{
    for (int i = 0; i < m_pages.size(); ++i) {
        m_pages.at(i)->setVisible(i == index);
    }
}

void ProvisionSection::retranslate()
{
    m_card->setTitle(m_localization.localized(QStringLiteral("Tokens_Section_Provision")));
    refresh();
}

void ProvisionSection::refresh()
{
    const ProvisionStep step = m_controller.step();
    showPage(static_cast<int>(step));
    // The choice shows both roads' tokens; a form, its run and its end show the one it uses.
    if (step == ProvisionStep::choose || step == ProvisionStep::apduPins ||
        step == ProvisionStep::pkcs11Pins) {
        m_apduTarget->setVisible(step != ProvisionStep::pkcs11Pins);
        m_pkcs11Target->setVisible(step != ProvisionStep::apduPins);
    }
    for (QLineEdit* field : {m_apduUser, m_p11User}) {
        syncField(field, m_controller.userPin());
    }
    for (QLineEdit* field : {m_apduRepeat, m_p11Repeat}) {
        syncField(field, m_controller.userPinRepeat());
    }
    for (QLineEdit* field : {m_apduPuk, m_p11So}) {
        syncField(field, m_controller.soPin());
    }
    m_apduAction->setEnabled(m_controller.canProvision());
    m_p11Action->setEnabled(m_controller.canProvision());
    const common::KeyedText& progress = m_controller.progressText();
    m_workingCaption->setText(m_localization.localized(
        progress.isEmpty()
            ? common::KeyedText{QStringLiteral("Tokens_Provision_WorkingFallback"), {}}
            : progress));
    const auto& failure = m_controller.failure();
    m_error->setText(failure ? tokenFailureText(*failure, m_localization.language()) : QString());
    m_error->setVisible(failure.has_value());
    m_success->setText(m_localization.localized(m_controller.successText()));
    m_success->setVisible(!m_controller.successText().isEmpty());
}

} // namespace orvela::tokens::views
