#include "tokens/views/AdminObjectsSection.h"

#include "common/LocalizationService.h"
#include "components/ActionButton.h"
#include "components/IconLibrary.h"
#include "components/Style.h"
#include "tokens/AdminObjectsController.h"
#include "tokens/views/AdminStatusLine.h"
#include "tokens/views/AdminWidgets.h"
#include "tokens/views/SecureField.h"
#include "tokens/views/TokenPrompts.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace orvela::tokens::views {

using components::ActionButton;
namespace style = components::style;

namespace {

/// Text from the token, shown as it is and never as markup.
QLabel* plainLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

} // namespace

namespace {

/// The object's kind in the interface language; a kind this program does not know as the
/// token names it.
QString kindLabel(const QString& kind, const common::LocalizationService& localization)
{
    static const std::pair<const char*, const char*> kinds[] = {
        {"privateKey", "Tokens_ObjectKind_PrivateKey"},
        {"publicKey", "Tokens_ObjectKind_PublicKey"},
        {"certificate", "Tokens_ObjectKind_Certificate"},
        {"data", "Tokens_ObjectKind_Data"},
    };
    for (const auto& [raw, key] : kinds) {
        if (kind == QLatin1String(raw)) {
            return localization.localized(QLatin1String(key));
        }
    }
    return kind;
}

} // namespace

QString AdminObjectsSection::symbolOf(const QString& kind)
{
    if (kind == QLatin1String("certificate")) {
        return QStringLiteral("doc.text");
    }
    if (kind == QLatin1String("privateKey")) {
        return QStringLiteral("key.fill");
    }
    if (kind == QLatin1String("publicKey")) {
        return QStringLiteral("key.horizontal.fill");
    }
    return QStringLiteral("folder");
}

AdminObjectsSection::AdminObjectsSection(AdminObjectsController& controller,
                                         common::LocalizationService& localization,
                                         components::Prompts& prompts, QWidget* parent)
    : Card(parent), m_controller(controller), m_localization(localization), m_prompts(prompts)
{
    m_pinLabel = new QLabel(this);
    m_pin = makeSecureField(this);
    auto* form = new QFormLayout;
    m_pinLabel->setBuddy(m_pin);
    form->addRow(m_pinLabel, m_pin);
    contentLayout()->addLayout(form);
    m_load = new ActionButton(QString(), ActionButton::Role::primary, this);
    m_load->setSymbol(QStringLiteral("list.bullet.rectangle"));
    m_import = new ActionButton(QString(), ActionButton::Role::secondary, this);
    m_import->setSymbol(QStringLiteral("square.and.arrow.down"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_load);
    buttons->addWidget(m_import);
    buttons->addStretch();
    contentLayout()->addLayout(buttons);
    contentLayout()->addWidget(new AdminStatusLine(controller.state(), localization, this));
    m_empty = hintLabel(this);
    contentLayout()->addWidget(m_empty);
    m_rows = new QVBoxLayout;
    m_rows->setSpacing(style::spacingXs);
    contentLayout()->addLayout(m_rows);

    connect(m_pin, &QLineEdit::textEdited, &controller, &AdminObjectsController::setPin);
    connect(m_load, &QPushButton::clicked, &controller, &AdminObjectsController::load);
    connect(m_import, &QPushButton::clicked, this, &AdminObjectsSection::chooseCertificate);
    connect(&controller, &AdminObjectsController::pinChanged, this,
            [this] { syncField(m_pin, m_controller.pin()); });
    connect(&controller, &AdminObjectsController::objectsChanged, this,
            &AdminObjectsSection::rebuildRows);
    connect(&controller.state(), &AdminActionState::changed, this, &AdminObjectsSection::refresh);
    connect(&localization, &common::LocalizationService::languageChanged, this,
            &AdminObjectsSection::retranslate);
    retranslate();
}

void AdminObjectsSection::chooseCertificate()
{
    m_prompts.chooseFileToOpen(
        window(), m_localization.localized(QStringLiteral("Tokens_Objects_Import")), {}, this,
        [this](const QString& path) { m_controller.importFile(path); });
}

void AdminObjectsSection::retranslate()
{
    const auto text = [this](const char* key) {
        return m_localization.localized(QLatin1String(key));
    };
    setTitle(text("Tokens_Objects_Section"));
    m_pinLabel->setText(text("Tokens_Objects_Pin"));
    m_load->setText(text("Tokens_Objects_Load"));
    m_import->setText(text("Tokens_Objects_Import"));
    m_empty->setText(text("Tokens_Objects_Empty"));
    rebuildRows();
}

void AdminObjectsSection::refresh()
{
    const bool idle = !m_controller.state().isBusy();
    m_load->setEnabled(idle);
    m_import->setEnabled(idle);
    for (auto* button : findChildren<ActionButton*>(QStringLiteral("deleteObject"))) {
        button->setEnabled(idle);
    }
}

void AdminObjectsSection::rebuildRows()
{
    while (QLayoutItem* item = m_rows->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const auto& object : m_controller.objects()) {
        m_rows->addWidget(
            makeRow(QString::fromStdString(object.idHex), QString::fromStdString(object.label),
                    QString::fromStdString(object.kind), QString::fromStdString(object.keyType)));
    }
    m_empty->setVisible(m_controller.objects().empty());
    refresh();
}

QWidget* AdminObjectsSection::makeRow(const QString& idHex, const QString& label,
                                      const QString& kind, const QString& keyType)
{
    auto* row = new QWidget(this);
    row->setObjectName(QStringLiteral("tokenObjectRow"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* icon = new QLabel(row);
    icon->setPixmap(components::IconLibrary::icon(symbolOf(kind)).pixmap(20, 20));
    layout->addWidget(icon);
    auto* name = plainLabel(label, row);
    name->setFont(style::headlineFont());
    layout->addWidget(name, 1);
    layout->addWidget(plainLabel(kindLabel(kind, m_localization), row));
    layout->addWidget(plainLabel(QStringLiteral("ID ") + idHex, row));
    layout->addWidget(plainLabel(keyType, row));
    auto* remove =
        new ActionButton(m_localization.localized(QStringLiteral("Tokens_Objects_Delete")),
                         ActionButton::Role::secondary, row);
    remove->setObjectName(QStringLiteral("deleteObject"));
    remove->setSymbol(QStringLiteral("trash"));
    markDestructive(remove);
    connect(remove, &QPushButton::clicked, &m_controller,
            [this, idHex, kind] { m_controller.remove(idHex, kind); });
    layout->addWidget(remove);
    return row;
}

} // namespace orvela::tokens::views
