#pragma once

#include <QWidget>
#include <memory>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;

namespace orvela::components {
class Prompts;
}
namespace orvela::shell {
class Pkcs11ModuleSetting;
class SettingsController;
} // namespace orvela::shell

namespace orvela::shell::views {

class ModuleChoiceCard;

/// The application's settings window: start-up, security, server, the PKCS#11 module and about,
/// in the interface language, redrawn when it changes. It edits the same state as the settings
/// sheet and the tray menu, and shows their changes as they happen.
class SettingsView : public QWidget {
    Q_OBJECT

public:
    /// `prompts` answers the module card's file chooser; null: real dialogs.
    explicit SettingsView(SettingsController& controller, QWidget* parent = nullptr,
                          components::Prompts* prompts = nullptr);
    ~SettingsView() override;

private:
    void buildLayout();
    void connectControls();
    void showState();
    void retranslate();
    QString text(const char* key) const;

    SettingsController& m_controller;
    QGroupBox* m_startup;
    QGroupBox* m_security;
    QGroupBox* m_server;
    QGroupBox* m_about;
    QLabel* m_startupHint;
    QLabel* m_apiNote;
    QLabel* m_versionLabel;
    QLabel* m_publisherLabel;
    QLabel* m_updatesLabel;
    QLabel* m_updatesNote;
    QCheckBox* m_launchAtLogin;
    QCheckBox* m_backgroundMode;
    QLabel* m_trayNote;
    QCheckBox* m_biometricGate;
    QLineEdit* m_apiUrl;
    QScrollArea* m_scroll;
    std::unique_ptr<components::Prompts> m_ownPrompts;
    Pkcs11ModuleSetting* m_moduleSetting;
    ModuleChoiceCard* m_moduleCard;
    QPushButton* m_close;
};

} // namespace orvela::shell::views
