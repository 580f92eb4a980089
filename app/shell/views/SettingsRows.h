#pragma once

#include <QObject>
#include <memory>
#include <utility>
#include <vector>

class QBoxLayout;
class QCheckBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QWidget;

namespace orvela::components {
class Prompts;
}
namespace orvela::shell {
class Pkcs11ModuleSetting;
class SettingsController;
} // namespace orvela::shell

namespace orvela::shell::views {

class ModuleChoiceCard;

/// The rows the settings sheet and the settings window share, each built here once: the start-up
/// toggles and their notes, the biometric gate, the backend address, the PKCS#11 module card and
/// the about rows. A screen asks for the rows it shows, in its own frame and order; the rows edit
/// the controller's state and show it, and say their texts by localisation key when the screen
/// retranslates.
class SettingsRows : public QObject {
    Q_OBJECT

public:
    /// `prompts` answers the module card's file chooser; null: real dialogs. The module card is
    /// made at once, a child of `screen` until the screen lays it out.
    SettingsRows(SettingsController& controller, components::Prompts* prompts, QWidget* screen);
    ~SettingsRows() override;

    ModuleChoiceCard* moduleCard() const { return m_moduleCard; }

    /// A caption-sized note in the placeholder colour that reads `key`.
    QLabel* note(const char* key, QWidget* group);
    /// Launch at login, background mode, the start-up hint and the note on a missing tray.
    void addStartupRows(QBoxLayout& layout, QWidget* group);
    void addBiometricGate(QBoxLayout& layout, QWidget* group);
    /// The backend address; the screen places it.
    QLineEdit* apiUrl(QWidget* group);
    /// An about row: a label that reads `key`, then `value`.
    void addAboutRow(QFormLayout& form, const char* key, QWidget* value);
    /// The about row that says where updates come from, in `note`.
    void addUpdatesRow(QFormLayout& form, QLabel* note);

    /// Says every row's text in the interface language.
    void retranslate();
    /// Shows the controller's state in every row.
    void showState();

private:
    QLabel* translated(QLabel* label, const char* key);

    SettingsController& m_controller;
    std::unique_ptr<components::Prompts> m_ownPrompts;
    Pkcs11ModuleSetting* m_moduleSetting;
    ModuleChoiceCard* m_moduleCard;
    std::vector<std::pair<QWidget*, const char*>> m_texts;
    QCheckBox* m_launchAtLogin = nullptr;
    QCheckBox* m_backgroundMode = nullptr;
    QLabel* m_trayNote = nullptr;
    QCheckBox* m_biometricGate = nullptr;
    QLineEdit* m_apiUrl = nullptr;
    QLabel* m_updatesNote = nullptr;
};

} // namespace orvela::shell::views
