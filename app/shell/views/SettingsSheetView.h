#pragma once

#include <QDialog>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orvela::components {
class Card;
class Prompts;
} // namespace orvela::components
namespace orvela::shell {
class Pkcs11ModuleSetting;
class SettingsController;
} // namespace orvela::shell

namespace orvela::shell::views {

class ModuleChoiceCard;

/// The settings sheet opened from the dashboard: theme, language, start-up, backend address and
/// about rows, every text by its localisation key, redrawn when the language changes.
class SettingsSheetView : public QDialog {
    Q_OBJECT

public:
    /// `prompts` answers the module card's file chooser; null: real dialogs.
    explicit SettingsSheetView(SettingsController& controller, QWidget* parent = nullptr,
                               components::Prompts* prompts = nullptr);
    ~SettingsSheetView() override;

private:
    void buildLayout();
    void connectControls();
    void retranslate();
    void showState();
    QString text(const char* key) const;

    SettingsController& m_controller;
    QLabel* m_title;
    QPushButton* m_close;
    components::Card* m_themeCard;
    QComboBox* m_theme;
    components::Card* m_languageCard;
    QComboBox* m_language;
    QLabel* m_languageHint;
    components::Card* m_startupCard;
    QCheckBox* m_launchAtLogin;
    QCheckBox* m_backgroundMode;
    QLabel* m_startupHint;
    QLabel* m_trayNote;
    components::Card* m_apiCard;
    QLabel* m_apiHint;
    QLineEdit* m_apiUrl;
    std::unique_ptr<components::Prompts> m_ownPrompts;
    Pkcs11ModuleSetting* m_moduleSetting;
    ModuleChoiceCard* m_moduleCard;
    components::Card* m_aboutCard;
    QLabel* m_versionLabel;
    QLabel* m_buildLabel;
    QLabel* m_publisherLabel;
    QLabel* m_platformLabel;
    QLabel* m_updatesLabel;
    QLabel* m_updatesNote;
};

} // namespace orvela::shell::views
