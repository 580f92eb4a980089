#pragma once

#include <QWidget>

class QGroupBox;
class QPushButton;
class QScrollArea;

namespace orvela::components {
class Prompts;
}
namespace orvela::shell {
class SettingsController;
}

namespace orvela::shell::views {

class SettingsRows;

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
    void retranslate();
    QString text(const char* key) const;

    SettingsController& m_controller;
    SettingsRows* m_rows;
    QGroupBox* m_startup;
    QGroupBox* m_security;
    QGroupBox* m_server;
    QGroupBox* m_about;
    QScrollArea* m_scroll;
    QPushButton* m_close;
};

} // namespace orvela::shell::views
