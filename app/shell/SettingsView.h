#pragma once

#include <QWidget>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;

namespace orvela::shell {

class SettingsController;

/// The application's settings window: start-up, security, server and about, in the interface
/// language, redrawn when it changes. It edits the same state as the settings sheet and the tray
/// menu, and shows their changes as they happen.
class SettingsView : public QWidget {
    Q_OBJECT

public:
    explicit SettingsView(SettingsController& controller, QWidget* parent = nullptr);

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
    QPushButton* m_close;
};

} // namespace orvela::shell
