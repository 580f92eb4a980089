#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

namespace orvela::components {
class Card;
class Prompts;
} // namespace orvela::components
namespace orvela::shell {
class SettingsController;
}

namespace orvela::shell::views {

class SettingsRows;

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
    SettingsRows* m_rows;
    QLabel* m_title;
    QPushButton* m_close;
    components::Card* m_themeCard;
    QComboBox* m_theme;
    components::Card* m_languageCard;
    QComboBox* m_language;
    components::Card* m_startupCard;
    components::Card* m_apiCard;
    components::Card* m_aboutCard;
};

} // namespace orvela::shell::views
