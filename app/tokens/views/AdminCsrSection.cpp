#include "tokens/views/AdminCsrSection.h"

#include "common/LocalizationService.h"
#include "components/ActionButton.h"
#include "tokens/AdminCsrController.h"
#include "tokens/views/AdminStatusLine.h"
#include "tokens/views/AdminWidgets.h"
#include "tokens/views/KeyedTexts.h"
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
                                 common::LocalizationService& localization,
                                 components::Prompts& prompts, QWidget* parent)
    : Card(parent), m_controller(controller), m_localization(localization), m_prompts(prompts)
{
    auto* texts = new KeyedTexts(localization, this);
    auto* hint = hintLabel(this);
    texts->label(hint, "Tokens_Csr_Hint");
    contentLayout()->addWidget(hint);
    m_registry = new QLineEdit(this);
    m_pin = makeSecureField(this);
    m_keyLabel = new QLineEdit(this);
    texts->placeholder(m_keyLabel, "Tokens_KeyLabel_Placeholder");
    auto* form = new QFormLayout;
    const std::pair<const char*, QLineEdit*> rows[] = {{"Tokens_Csr_RegistryNumber", m_registry},
                                                       {"Tokens_Objects_Pin", m_pin},
                                                       {"Sign_KeyLabel", m_keyLabel}};
    for (const auto& [key, field] : rows) {
        auto* label = new QLabel(this);
        label->setBuddy(field);
        texts->label(label, key);
        form->addRow(label, field);
    }
    contentLayout()->addLayout(form);
    m_submit = new ActionButton(QString(), ActionButton::Role::primary, this);
    texts->button(m_submit, "Tokens_Csr_Action");
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
    m_copy = new ActionButton(QString(), ActionButton::Role::secondary, this);
    texts->button(m_copy, "Tokens_Csr_Copy");
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
