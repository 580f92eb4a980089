#include "shell/views/SettingsView.h"

#include "common/LocalizationService.h"
#include "components/ActionButton.h"
#include "components/DialogPrompts.h"
#include "components/Style.h"
#include "shell/Pkcs11ModuleSetting.h"
#include "shell/SettingsController.h"
#include "shell/views/ModuleChoiceCard.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>

namespace orvela::shell::views {

namespace {

QLabel* noteLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setFont(components::style::captionFont());
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

} // namespace

SettingsView::SettingsView(SettingsController& controller, QWidget* parent,
                           components::Prompts* prompts)
    : QWidget(parent), m_controller(controller)
{
    if (prompts == nullptr) {
        m_ownPrompts = std::make_unique<components::DialogPrompts>();
        prompts = m_ownPrompts.get();
    }
    m_moduleSetting = new Pkcs11ModuleSetting(controller.store(), this);
    m_moduleCard =
        new ModuleChoiceCard(*m_moduleSetting, *prompts, controller.localization(), this);
    m_moduleSetting->refresh();
    setObjectName(QStringLiteral("settingsWindow"));
    setMinimumWidth(460);
    buildLayout();
    resize(480, 620);
    retranslate();
    connectControls();
}

SettingsView::~SettingsView() = default;

void SettingsView::buildLayout()
{
    m_startup = new QGroupBox(this);
    m_launchAtLogin = new QCheckBox(m_startup);
    m_launchAtLogin->setObjectName(QStringLiteral("launchAtLogin"));
    m_backgroundMode = new QCheckBox(m_startup);
    m_backgroundMode->setObjectName(QStringLiteral("backgroundMode"));
    m_startupHint = noteLabel(QString(), m_startup);
    m_trayNote = noteLabel(QString(), m_startup);
    m_trayNote->setObjectName(QStringLiteral("trayNote"));
    auto* startupLayout = new QVBoxLayout(m_startup);
    startupLayout->addWidget(m_launchAtLogin);
    startupLayout->addWidget(m_backgroundMode);
    startupLayout->addWidget(m_startupHint);
    startupLayout->addWidget(m_trayNote);

    m_security = new QGroupBox(this);
    m_biometricGate = new QCheckBox(m_security);
    m_biometricGate->setObjectName(QStringLiteral("biometricGate"));
    for (QCheckBox* box : {m_launchAtLogin, m_backgroundMode, m_biometricGate}) {
        components::style::showSelectionControls(box);
    }
    auto* securityLayout = new QVBoxLayout(m_security);
    securityLayout->addWidget(m_biometricGate);

    m_server = new QGroupBox(this);
    m_apiUrl = new QLineEdit(m_server);
    m_apiUrl->setObjectName(QStringLiteral("apiUrl"));
    m_apiUrl->setPlaceholderText(QStringLiteral("http://localhost:3000"));
    m_apiNote = noteLabel(QString(), m_server);
    auto* serverLayout = new QVBoxLayout(m_server);
    serverLayout->addWidget(m_apiUrl);
    serverLayout->addWidget(m_apiNote);

    m_about = new QGroupBox(this);
    auto* aboutLayout = new QFormLayout(m_about);
    m_versionLabel = new QLabel(m_about);
    m_publisherLabel = new QLabel(m_about);
    aboutLayout->addRow(m_versionLabel, new QLabel(SettingsController::versionText(), m_about));
    aboutLayout->addRow(m_publisherLabel, new QLabel(SettingsController::publisherText(), m_about));
    m_updatesLabel = new QLabel(m_about);
    m_updatesNote = new QLabel(m_about);
    m_updatesNote->setObjectName(QStringLiteral("updatesNote"));
    m_updatesNote->setWordWrap(true);
    aboutLayout->addRow(m_updatesLabel, m_updatesNote);

    // The groups scroll, so a longer language never cuts a note off in a window kept small.
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(components::style::spacingM);
    for (QWidget* group : {static_cast<QWidget*>(m_startup), static_cast<QWidget*>(m_security),
                           static_cast<QWidget*>(m_server), static_cast<QWidget*>(m_moduleCard),
                           static_cast<QWidget*>(m_about)}) {
        column->addWidget(group);
    }
    column->addStretch();
    m_scroll = new QScrollArea(this);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidget(content);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(components::style::spacingXl, components::style::spacingL,
                               components::style::spacingXl, components::style::spacingL);
    layout->setSpacing(components::style::spacingM);
    layout->addWidget(m_scroll, 1);
    m_close =
        new components::ActionButton(QString(), components::ActionButton::Role::secondary, this);
    m_close->setObjectName(QStringLiteral("closeButton"));
    layout->addWidget(m_close, 0, Qt::AlignRight);
    // A window of its own: Esc and Ctrl+W close it, as they close other settings windows.
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);
    }
}

QString SettingsView::text(const char* key) const
{
    return m_controller.localization().localized(QString::fromLatin1(key));
}

void SettingsView::retranslate()
{
    setWindowTitle(text("Settings_Title"));
    m_scroll->setAccessibleName(windowTitle());
    m_close->setText(text("Settings_Close"));
    m_moduleCard->retranslate();
    m_startup->setTitle(text("Settings_Startup_Title"));
    m_launchAtLogin->setText(text("Settings_Startup_LaunchAtLogin"));
    m_backgroundMode->setText(text("Settings_Startup_BackgroundMode"));
    m_startupHint->setText(text("Settings_Startup_Hint"));
    m_security->setTitle(text("Settings_Security_Title"));
    m_biometricGate->setText(text("Settings_Security_Biometric"));
    m_server->setTitle(text("Settings_Api_Title"));
    m_apiNote->setText(text("Settings_Api_Note"));
    m_about->setTitle(text("Settings_About_Title"));
    m_versionLabel->setText(text("Settings_Version"));
    m_publisherLabel->setText(text("Settings_About_Publisher"));
    m_updatesLabel->setText(text("Settings_Updates"));
    m_updatesNote->setText(m_controller.updatesNote());
    showState();
}

void SettingsView::connectControls()
{
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_launchAtLogin, &QCheckBox::clicked, this,
            [this](bool checked) { m_controller.setLaunchAtLogin(checked); });
    connect(m_backgroundMode, &QCheckBox::clicked, this,
            [this](bool checked) { m_controller.setBackgroundMode(checked); });
    connect(m_biometricGate, &QCheckBox::clicked, this,
            [this](bool checked) { m_controller.setBiometricGateEnabled(checked); });
    connect(m_apiUrl, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_controller.setApiBaseUrlOverride(text); });

    auto redrawState = [this] { showState(); };
    connect(&m_controller, &SettingsController::launchAtLoginChanged, this, redrawState);
    connect(&m_controller, &SettingsController::backgroundModeChanged, this, redrawState);
    connect(&m_controller, &SettingsController::biometricGateEnabledChanged, this, redrawState);
    connect(&m_controller, &SettingsController::apiBaseUrlOverrideChanged, this, redrawState);
    connect(&m_controller.localization(), &common::LocalizationService::languageChanged, this,
            &SettingsView::retranslate);
}

void SettingsView::showState()
{
    m_launchAtLogin->setChecked(m_controller.launchAtLogin());
    m_backgroundMode->setChecked(m_controller.backgroundMode());
    m_backgroundMode->setEnabled(m_controller.backgroundModeAvailable());
    m_trayNote->setVisible(!m_controller.backgroundModeAvailable());
    m_trayNote->setText(m_controller.backgroundModeNote());
    m_biometricGate->setChecked(m_controller.biometricGateEnabled());
    if (m_apiUrl->text() != m_controller.apiBaseUrlOverride()) {
        m_apiUrl->setText(m_controller.apiBaseUrlOverride());
    }
}

} // namespace orvela::shell::views
