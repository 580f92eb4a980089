#include "tokens/views/TokenSignTestView.h"

#include "common/LocalizationService.h"
#include "components/ActionButton.h"
#include "components/Card.h"
#include "components/IconLibrary.h"
#include "components/InlineBanner.h"
#include "components/Style.h"
#include "tokens/SignTestController.h"
#include "tokens/TokenFailureText.h"
#include "tokens/views/KeyedTexts.h"
#include "tokens/views/SecureField.h"
#include "tokens/views/TokenPrompts.h"
#include "tokens/views/TokenTargetLine.h"

#include <QClipboard>
#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
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

/// A row of a status mark: its tinted symbol, then its caption.
QWidget* markRow(const QString& symbol, QLabel* caption, QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* icon = new QLabel(row);
    components::IconLibrary::showThemed(icon, symbol, 16, components::Tone::success);
    layout->addWidget(icon);
    caption->setParent(row);
    layout->addWidget(caption, 1);
    return row;
}

} // namespace

TokenSignTestView::TokenSignTestView(SignTestController& controller, const TokenTargets& targets,
                                     common::LocalizationService& localization,
                                     components::Prompts& prompts, QWidget* parent)
    : QWidget(parent), m_controller(controller), m_localization(localization), m_prompts(prompts)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_card = new components::Card(this);
    outer->addWidget(m_card);
    QWidget* body = m_card;
    auto* layout = m_card->contentLayout();
    m_target = new TokenTargetLine(targets, TokenRoad::apdu, localization, body);
    layout->addWidget(m_target);

    auto* hint = plainLabel(body);
    layout->addWidget(hint);

    m_mode = new QComboBox(body);
    for (const SignMode mode : {SignMode::apdu, SignMode::pkcs11}) {
        m_mode->addItem(QString(), static_cast<int>(mode));
    }
    m_modeDescription = plainLabel(body);
    m_modeDescription->setFont(style::captionFont());
    layout->addWidget(m_mode, 0, Qt::AlignLeft);
    layout->addWidget(m_modeDescription);

    m_pick = new ActionButton(QString(), ActionButton::Role::secondary, body);
    m_pick->setSymbol(QStringLiteral("arrow.up.doc"));
    layout->addWidget(m_pick, 0, Qt::AlignLeft);

    auto* form = new QFormLayout;
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);
    m_docNameLabel = plainLabel(body);
    m_docName = plainLabel(body);
    form->addRow(m_docNameLabel, m_docName);
    m_hash = new QLineEdit(body);
    m_hash->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* hashLabel = plainLabel(body);
    hashLabel->setBuddy(m_hash);
    form->addRow(hashLabel, m_hash);
    m_pin = makeSecureField(body);
    auto* pinLabel = plainLabel(body);
    pinLabel->setBuddy(m_pin);
    form->addRow(pinLabel, m_pin);
    m_keyLabelLabel = plainLabel(body);
    m_keyLabel = new QLineEdit(body);
    m_keyLabelLabel->setBuddy(m_keyLabel);
    form->addRow(m_keyLabelLabel, m_keyLabel);
    layout->addLayout(form);
    m_ready = plainLabel(body);
    layout->addWidget(markRow(QStringLiteral("checkmark.circle.fill"), m_ready, body));

    m_sign = new ActionButton(QString(), ActionButton::Role::primary, body);
    m_sign->setSymbol(QStringLiteral("signature"));
    m_sign->submitOnEnter({m_pin});
    layout->addWidget(m_sign, 0, Qt::AlignLeft);

    m_result = new QWidget(body);
    auto* result = new QVBoxLayout(m_result);
    result->setContentsMargins(0, 0, 0, 0);
    m_successLabel = plainLabel(m_result);
    m_successLabel->setFont(style::headlineFont());
    result->addWidget(markRow(QStringLiteral("checkmark.seal.fill"), m_successLabel, m_result));
    // Selectable, and broken anywhere: 128 digits have no place a label could wrap at.
    m_signature = new QPlainTextEdit(m_result);
    m_signature->setObjectName(QStringLiteral("signature"));
    m_signature->setReadOnly(true);
    m_signature->setWordWrapMode(QTextOption::WrapAnywhere);
    m_signature->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_signature->setFixedHeight(m_signature->fontMetrics().lineSpacing() * 4 + style::spacingM);
    result->addWidget(m_signature);
    m_copy = new ActionButton(QString(), ActionButton::Role::secondary, m_result);
    result->addWidget(m_copy, 0, Qt::AlignLeft);
    layout->addWidget(m_result);

    m_error = new components::InlineBanner(components::InlineBanner::Kind::error, QString(), body);
    m_error->setObjectName(QStringLiteral("signTestError"));
    layout->addWidget(m_error);

    connect(m_mode, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_controller.setMode(static_cast<SignMode>(m_mode->itemData(index).toInt()));
    });
    connect(m_pick, &QPushButton::clicked, this, &TokenSignTestView::chooseFile);
    connect(m_hash, &QLineEdit::textEdited, &m_controller, &SignTestController::setHashHex);
    connect(m_pin, &QLineEdit::textEdited, &m_controller, &SignTestController::setUserPin);
    connect(m_keyLabel, &QLineEdit::textEdited, &m_controller, &SignTestController::setKeyLabel);
    connect(m_sign, &QPushButton::clicked, &m_controller, &SignTestController::sign);
    connect(m_copy, &QPushButton::clicked, this, &TokenSignTestView::copySignature);
    connect(&m_controller, &SignTestController::changed, this, &TokenSignTestView::refresh);
    connect(&m_localization, &common::LocalizationService::languageChanged, this,
            &TokenSignTestView::retranslate);
    auto* texts = new KeyedTexts(m_localization, this);
    texts->label(hint, "Tokens_SignTest_Hint");
    texts->placeholder(m_hash, "Tokens_SignTest_HashPlaceholder");
    texts->label(hashLabel, "Tokens_SignTest_HashField");
    texts->label(pinLabel, "Tokens_SignTest_Pin");
    texts->placeholder(m_keyLabel, "Tokens_KeyLabel_Placeholder");
    retranslate();
}

void TokenSignTestView::chooseFile()
{
    // The controller outlives this view, and no answer comes once the view is gone.
    m_prompts.chooseFileToOpen(
        this, m_localization.localized(QStringLiteral("Tokens_SignTest_ChooserTitle")), {}, this,
        [this](const QString& path) { m_controller.chooseFile(path); });
}

void TokenSignTestView::copySignature()
{
    QGuiApplication::clipboard()->setText(m_controller.signatureHex());
}

void TokenSignTestView::retranslate()
{
    const auto key = [this](const char* name) {
        return m_localization.localized(QLatin1String(name));
    };
    m_card->setTitle(key("Tokens_Section_SignTest"));
    m_pick->setText(key("Sign_PickFile"));
    m_docNameLabel->setText(key("Sign_Field_DocName"));
    m_ready->setText(key("Sign_HashReady"));
    m_keyLabelLabel->setText(key("Sign_KeyLabel"));
    m_sign->setText(key("Sign_Action"));
    m_successLabel->setText(key("Sign_Success"));
    m_copy->setText(key("Sign_Copy"));
    for (int i = 0; i < m_mode->count(); ++i) {
        m_mode->setItemText(i, key(modeKey(static_cast<SignMode>(m_mode->itemData(i).toInt()))));
    }
    refresh();
}

void TokenSignTestView::refresh()
{
    const SignMode mode = m_controller.mode();
    m_mode->setCurrentIndex(m_mode->findData(static_cast<int>(mode)));
    m_modeDescription->setText(m_localization.localized(QLatin1String(descriptionKey(mode))));
    m_target->setRoad(mode == SignMode::apdu ? TokenRoad::apdu : TokenRoad::pkcs11);
    // The card keeps its own PIN; only the PKCS#11 road asks for one and a key label.
    const bool pkcs11 = mode == SignMode::pkcs11;
    for (QWidget* w : {static_cast<QWidget*>(m_pin), static_cast<QWidget*>(m_keyLabel)}) {
        w->setEnabled(pkcs11);
    }
    syncField(m_hash, m_controller.hashHex());
    syncField(m_pin, m_controller.userPin());
    syncField(m_keyLabel, m_controller.keyLabel());
    m_docName->setText(m_controller.fileName().isEmpty() ? QStringLiteral("—")
                                                         : m_controller.fileName());
    m_ready->parentWidget()->setVisible(m_controller.isHashReady());
    const bool busy = m_controller.isBusy();
    m_sign->setEnabled(!busy);
    m_pick->setEnabled(!busy);
    m_mode->setEnabled(!busy);
    if (m_signature->toPlainText() != m_controller.signatureHex()) {
        m_signature->setPlainText(m_controller.signatureHex());
    }
    m_result->setVisible(!m_controller.signatureHex().isEmpty());
    const auto& failure = m_controller.failure();
    const QString error = failure ? tokenFailureText(*failure, m_localization.language())
                                  : m_localization.localized(m_controller.errorText());
    m_error->setText(error);
    m_error->setVisible(!error.isEmpty());
}

} // namespace orvela::tokens::views
