#include "shell/views/SettingsRows.h"

#include "common/LocalizationService.h"
#include "components/DialogPrompts.h"
#include "components/Style.h"
#include "shell/Pkcs11ModuleSetting.h"
#include "shell/SettingsController.h"
#include "shell/views/ModuleChoiceCard.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace orvela::shell::views {

SettingsRows::SettingsRows(SettingsController& controller, components::Prompts* prompts,
                           QWidget* screen)
    : QObject(screen), m_controller(controller)
{
    if (prompts == nullptr) {
        m_ownPrompts = std::make_unique<components::DialogPrompts>();
        prompts = m_ownPrompts.get();
    }
    m_moduleSetting = new Pkcs11ModuleSetting(controller.store(), this);
    m_moduleCard =
        new ModuleChoiceCard(*m_moduleSetting, *prompts, controller.localization(), screen);
    m_moduleSetting->refresh();

    auto redrawState = [this] { showState(); };
    connect(&m_controller, &SettingsController::launchAtLoginChanged, this, redrawState);
    connect(&m_controller, &SettingsController::backgroundModeChanged, this, redrawState);
    connect(&m_controller, &SettingsController::biometricGateEnabledChanged, this, redrawState);
    connect(&m_controller, &SettingsController::apiBaseUrlOverrideChanged, this, redrawState);
}

SettingsRows::~SettingsRows() = default;

QLabel* SettingsRows::translated(QLabel* label, const char* key)
{
    m_texts.emplace_back(label, key);
    return label;
}

QLabel* SettingsRows::note(const char* key, QWidget* group)
{
    auto* label = new QLabel(group);
    label->setWordWrap(true);
    label->setFont(components::style::captionFont());
    label->setForegroundRole(QPalette::PlaceholderText);
    return key == nullptr ? label : translated(label, key);
}

void SettingsRows::addStartupRows(QBoxLayout& layout, QWidget* group)
{
    m_launchAtLogin = new QCheckBox(group);
    m_launchAtLogin->setObjectName(QStringLiteral("launchAtLogin"));
    m_backgroundMode = new QCheckBox(group);
    m_backgroundMode->setObjectName(QStringLiteral("backgroundMode"));
    m_texts.emplace_back(m_launchAtLogin, "Settings_Startup_LaunchAtLogin");
    m_texts.emplace_back(m_backgroundMode, "Settings_Startup_BackgroundMode");
    QLabel* hint = note("Settings_Startup_Hint", group);
    m_trayNote = note(nullptr, group);
    m_trayNote->setObjectName(QStringLiteral("trayNote"));
    for (QWidget* widget :
         {static_cast<QWidget*>(m_launchAtLogin), static_cast<QWidget*>(m_backgroundMode),
          static_cast<QWidget*>(hint), static_cast<QWidget*>(m_trayNote)}) {
        layout.addWidget(widget);
    }
    for (QCheckBox* box : {m_launchAtLogin, m_backgroundMode}) {
        components::style::showSelectionControls(box);
    }
    connect(m_launchAtLogin, &QCheckBox::clicked, this,
            [this](bool checked) { m_controller.setLaunchAtLogin(checked); });
    connect(m_backgroundMode, &QCheckBox::clicked, this,
            [this](bool checked) { m_controller.setBackgroundMode(checked); });
}

void SettingsRows::addBiometricGate(QBoxLayout& layout, QWidget* group)
{
    m_biometricGate = new QCheckBox(group);
    m_biometricGate->setObjectName(QStringLiteral("biometricGate"));
    m_texts.emplace_back(m_biometricGate, "Settings_Security_Biometric");
    components::style::showSelectionControls(m_biometricGate);
    layout.addWidget(m_biometricGate);
    connect(m_biometricGate, &QCheckBox::clicked, this,
            [this](bool checked) { m_controller.setBiometricGateEnabled(checked); });
}

QLineEdit* SettingsRows::apiUrl(QWidget* group)
{
    m_apiUrl = new QLineEdit(group);
    m_apiUrl->setObjectName(QStringLiteral("apiUrl"));
    m_apiUrl->setPlaceholderText(QStringLiteral("http://localhost:3000"));
    connect(m_apiUrl, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_controller.setApiBaseUrlOverride(text); });
    return m_apiUrl;
}

void SettingsRows::addAboutRow(QFormLayout& form, const char* key, QWidget* value)
{
    form.addRow(translated(new QLabel(value->parentWidget()), key), value);
}

void SettingsRows::addUpdatesRow(QFormLayout& form, QLabel* note)
{
    m_updatesNote = note;
    m_updatesNote->setObjectName(QStringLiteral("updatesNote"));
    m_updatesNote->setWordWrap(true);
    addAboutRow(form, "Settings_Updates", m_updatesNote);
}

void SettingsRows::retranslate()
{
    const auto& localization = m_controller.localization();
    for (const auto& [widget, key] : m_texts) {
        const QString text = localization.localized(QString::fromLatin1(key));
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            label->setText(text);
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            button->setText(text);
        }
    }
    m_moduleCard->retranslate();
    if (m_updatesNote != nullptr) {
        m_updatesNote->setText(m_controller.updatesNote());
    }
}

void SettingsRows::showState()
{
    if (m_launchAtLogin != nullptr) {
        m_launchAtLogin->setChecked(m_controller.launchAtLogin());
        m_backgroundMode->setChecked(m_controller.backgroundMode());
        m_backgroundMode->setEnabled(m_controller.backgroundModeAvailable());
        m_trayNote->setText(m_controller.backgroundModeNote());
        m_trayNote->setVisible(!m_controller.backgroundModeAvailable());
    }
    if (m_biometricGate != nullptr) {
        m_biometricGate->setChecked(m_controller.biometricGateEnabled());
    }
    if (m_apiUrl != nullptr && m_apiUrl->text() != m_controller.apiBaseUrlOverride()) {
        m_apiUrl->setText(m_controller.apiBaseUrlOverride());
    }
}

} // namespace orvela::shell::views
