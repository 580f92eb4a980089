#include "tokens/views/AdminCsrSection.h"

#include "common/LocalizationService.h"
#include "common/l10n/FixedTexts.h"
#include "components/ActionButton.h"
#include "tokens/AdminCsrController.h"
#include "tokens/views/AdminStatusLine.h"
#include "tokens/views/AdminWidgets.h"
#include "tokens/views/SecureField.h"
#include "tokens/views/TokenPrompts.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace orvela::tokens::views {

using components::ActionButton;

AdminCsrSection::AdminCsrSection(AdminCsrController& controller,
                                 common::LocalizationService& localization, TokenPrompts& prompts,
                                 QWidget* parent)
    : Card(parent), m_controller(controller), m_localization(localization), m_prompts(prompts)
{
    auto* hint = hintLabel(this);
    hint->setText(admin::kCsrHint);
    contentLayout()->addWidget(hint);
    m_registry = new QLineEdit(this);
    m_pin = makeSecureField(this);
    m_keyLabel = new QLineEdit(this);
    m_keyLabel->setPlaceholderText(admin::kCsrKeyLabelPlaceholder);
    auto* form = new QFormLayout;
    form->addRow(admin::kCsrRegistryNumber, m_registry);
    form->addRow(admin::kCsrPin, m_pin);
    form->addRow(admin::kCsrKeyLabel, m_keyLabel);
    contentLayout()->addLayout(form);
    m_submit = new ActionButton(admin::kCsrAction, ActionButton::Role::primary, this);
    m_submit->setSymbol(QStringLiteral("arrow.up.doc"));
    m_submit->submitOnEnter({m_registry, m_pin, m_keyLabel});
    auto* row = new QHBoxLayout;
    row->addWidget(m_submit);
    row->addStretch();
    contentLayout()->addLayout(row);
    contentLayout()->addWidget(new AdminStatusLine(controller.state(), localization, this));
    m_pem = new QPlainTextEdit(this);
    m_pem->setReadOnly(true);
    m_pem->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_pem->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_pem->setFixedHeight(200);
    contentLayout()->addWidget(m_pem);
    m_copy = new ActionButton(admin::kCopyCsr, ActionButton::Role::secondary, this);
    m_save = new ActionButton(QString(), ActionButton::Role::secondary, this);
    m_save->setSymbol(QStringLiteral("square.and.arrow.down"));
    auto* pemButtons = new QHBoxLayout;
    pemButtons->addWidget(m_copy);
    pemButtons->addWidget(m_save);
    pemButtons->addStretch();
    contentLayout()->addLayout(pemButtons);
    contentLayout()->addWidget(new AdminStatusLine(controller.saveState(), localization, this));

    connect(m_registry, &QLineEdit::textEdited, &controller,
            &AdminCsrController::setRegistryNumber);
    connect(m_pin, &QLineEdit::textEdited, &controller, &AdminCsrController::setPin);
    connect(m_keyLabel, &QLineEdit::textEdited, &controller, &AdminCsrController::setKeyLabel);
    connect(m_submit, &QPushButton::clicked, &controller, &AdminCsrController::submit);
    connect(m_copy, &QPushButton::clicked, this, &AdminCsrSection::copyPem);
    connect(m_save, &QPushButton::clicked, this, &AdminCsrSection::chooseSaveTarget);
    for (const auto& signal :
         {&AdminCsrController::fieldsChanged, &AdminCsrController::pemChanged}) {
        connect(&controller, signal, this, &AdminCsrSection::refresh);
    }
    connect(&controller.state(), &AdminActionState::changed, this, &AdminCsrSection::refresh);
    connect(&controller.saveState(), &AdminActionState::changed, this, &AdminCsrSection::refresh);
    connect(&localization, &common::LocalizationService::languageChanged, this,
            &AdminCsrSection::retranslate);
    retranslate();
    refresh();
}

void AdminCsrSection::copyPem()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(m_controller.pem());
}

void AdminCsrSection::chooseSaveTarget()
{
    m_prompts.chooseFileToSave(window(),
                               m_localization.localized(QStringLiteral("Tokens_Csr_Save")),
                               QStringLiteral("orvela-request.csr"), this,
                               [this](const QString& path) { m_controller.savePem(path); });
}

void AdminCsrSection::retranslate()
{
    setTitle(m_localization.localized(QStringLiteral("Tokens_Section_Csr")));
    m_save->setText(m_localization.localized(QStringLiteral("Tokens_Csr_Save")));
}

void AdminCsrSection::refresh()
{
    syncField(m_registry, m_controller.registryNumber());
    syncField(m_pin, m_controller.pin());
    syncField(m_keyLabel, m_controller.keyLabel());
    if (m_pem->toPlainText() != m_controller.pem()) {
        m_pem->setPlainText(m_controller.pem());
    }
    const bool hasPem = !m_controller.pem().isEmpty();
    m_pem->setVisible(hasPem);
    m_copy->setVisible(hasPem);
    m_save->setVisible(hasPem);
    m_submit->setEnabled(!m_controller.state().isBusy());
    m_save->setEnabled(!m_controller.saveState().isBusy());
}

} // namespace orvela::tokens::views
