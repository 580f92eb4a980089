#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace orvela::shell {

class SettingsController;

/// The application's settings window: start-up, security, server and about, in fixed
/// Mongolian labels. It edits the same state as the settings sheet and the tray menu, and
/// shows their changes as they happen.
class SettingsView : public QWidget {
    Q_OBJECT

public:
    explicit SettingsView(SettingsController& controller, QWidget* parent = nullptr);

private:
    void buildLayout();
    void connectControls();
    void showState();

    SettingsController& m_controller;
    QCheckBox* m_launchAtLogin;
    QCheckBox* m_backgroundMode;
    QLabel* m_trayNote;
    QCheckBox* m_biometricGate;
    QLineEdit* m_apiUrl;
};

} // namespace orvela::shell
