#include "shell/views/SettingsSheetView.h"

#include "common/LocalizationService.h"
#include "components/Accessibility.h"
#include "components/ActionButton.h"
#include "components/Card.h"
#include "components/DialogPrompts.h"
#include "components/Style.h"
#include "shell/Pkcs11ModuleSetting.h"
#include "shell/SettingsController.h"
#include "shell/views/ModuleChoiceCard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

namespace orvela::shell::views {

using common::AppLanguage;
using components::Card;

namespace {

QLabel* hintLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    label->setFont(components::style::captionFont());
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QLabel* valueLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

constexpr int preferredHeight = 780;

} // namespace

SettingsSheetView::SettingsSheetView(SettingsController& controller, QWidget* parent,
                                     components::Prompts* prompts)
    : QDialog(parent), m_controller(controller)
{
    if (prompts == nullptr) {
        m_ownPrompts = std::make_unique<components::DialogPrompts>();
        prompts = m_ownPrompts.get();
    }
    m_moduleSetting = new Pkcs11ModuleSetting(controller.store(), this);
    m_moduleCard =
        new ModuleChoiceCard(*m_moduleSetting, *prompts, controller.localization(), this);
    m_moduleSetting->refresh();
    setObjectName(QStringLiteral("settingsSheet"));
    // The cards scroll, so the sheet may be shorter than they are: it never grows past the
    // window it opens over, down to the smallest window the application allows.
    setMinimumSize(460, 400);
    resize(480, parent ? std::min(preferredHeight, parent->window()->height()) : preferredHeight);
    buildLayout();
    retranslate();
    showState();
    connectControls();
}

SettingsSheetView::~SettingsSheetView() = default;

QString SettingsSheetView::text(const char* key) const
{
    return m_controller.localization().localized(QString::fromLatin1(key));
}

void SettingsSheetView::buildLayout()
{
    using namespace components;
    m_title = new QLabel(this);
    m_title->setFont(style::titleFont());
    markAsHeading(m_title);
    m_close = new ActionButton(QString(), ActionButton::Role::secondary, this);
    m_close->setObjectName(QStringLiteral("closeButton"));
    auto* header = new QHBoxLayout;
    header->addWidget(m_title, 1);
    header->addWidget(m_close);

    m_themeCard = new Card(this);
    m_theme = new QComboBox(m_themeCard);
    m_theme->setObjectName(QStringLiteral("themePicker"));
    for (ThemeMode mode : {ThemeMode::system, ThemeMode::light, ThemeMode::dark}) {
        m_theme->addItem(QString(), rawValue(mode));
    }
    m_themeCard->contentLayout()->addWidget(m_theme);

    m_languageCard = new Card(this);
    m_language = new QComboBox(m_languageCard);
    m_language->setObjectName(QStringLiteral("languagePicker"));
    // The language names stay in their own language, so either can be found in both.
    m_language->addItem(QStringLiteral("Монгол"), rawValue(AppLanguage::mn));
    m_language->addItem(QStringLiteral("English"), rawValue(AppLanguage::en));
    m_languageHint = hintLabel(m_languageCard);
    m_languageCard->contentLayout()->addWidget(m_language);
    m_languageCard->contentLayout()->addWidget(m_languageHint);

    m_startupCard = new Card(this);
    m_launchAtLogin = new QCheckBox(m_startupCard);
    m_launchAtLogin->setObjectName(QStringLiteral("launchAtLogin"));
    m_backgroundMode = new QCheckBox(m_startupCard);
    m_backgroundMode->setObjectName(QStringLiteral("backgroundMode"));
    for (QCheckBox* box : {m_launchAtLogin, m_backgroundMode}) {
        style::showSelectionControls(box);
    }
    m_startupHint = hintLabel(m_startupCard);
    m_trayNote = hintLabel(m_startupCard);
    m_trayNote->setObjectName(QStringLiteral("trayNote"));
    for (QWidget* widget :
         {static_cast<QWidget*>(m_launchAtLogin), static_cast<QWidget*>(m_backgroundMode),
          static_cast<QWidget*>(m_startupHint), static_cast<QWidget*>(m_trayNote)}) {
        m_startupCard->contentLayout()->addWidget(widget);
    }

    m_apiCard = new Card(this);
    m_apiHint = hintLabel(m_apiCard);
    m_apiUrl = new QLineEdit(m_apiCard);
    m_apiUrl->setObjectName(QStringLiteral("apiUrl"));
    m_apiHint->setBuddy(m_apiUrl);
    m_apiUrl->setPlaceholderText(QStringLiteral("http://localhost:3000"));
    m_apiCard->contentLayout()->addWidget(m_apiHint);
    m_apiCard->contentLayout()->addWidget(m_apiUrl);

    m_aboutCard = new Card(this);
    auto* about = new QFormLayout;
    m_versionLabel = new QLabel(m_aboutCard);
    m_buildLabel = new QLabel(m_aboutCard);
    m_publisherLabel = new QLabel(m_aboutCard);
    m_platformLabel = new QLabel(m_aboutCard);
    about->addRow(m_versionLabel, valueLabel(SettingsController::versionText(), m_aboutCard));
    about->addRow(m_buildLabel, valueLabel(SettingsController::buildText(), m_aboutCard));
    about->addRow(m_publisherLabel, valueLabel(SettingsController::publisherText(), m_aboutCard));
    about->addRow(m_platformLabel, valueLabel(SettingsController::platformText(), m_aboutCard));
    m_updatesLabel = new QLabel(m_aboutCard);
    m_updatesNote = valueLabel(QString(), m_aboutCard);
    m_updatesNote->setObjectName(QStringLiteral("updatesNote"));
    m_updatesNote->setWordWrap(true);
    about->addRow(m_updatesLabel, m_updatesNote);
    m_aboutCard->contentLayout()->addLayout(about);

    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setSpacing(style::spacingM);
    for (Card* card : {m_themeCard, m_languageCard, m_startupCard, m_apiCard,
                       static_cast<Card*>(m_moduleCard), m_aboutCard}) {
        column->addWidget(card);
    }
    column->addStretch();
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(content);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(style::spacingXl, style::spacingL, style::spacingXl,
                               style::spacingL);
    layout->addLayout(header);
    layout->addWidget(scroll, 1);
}

void SettingsSheetView::connectControls()
{
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_theme, &QComboBox::activated, this, [this](int index) {
        m_controller.setTheme(themeModeFromRaw(m_theme->itemData(index).toString()));
    });
    connect(m_language, &QComboBox::activated, this, [this](int index) {
        const auto language = common::appLanguageFromRaw(m_language->itemData(index).toString());
        m_controller.setLanguage(language.value_or(AppLanguage::mn));
    });
    connect(m_launchAtLogin, &QCheckBox::clicked, this,
            [this](bool checked) { m_controller.setLaunchAtLogin(checked); });
    connect(m_backgroundMode, &QCheckBox::clicked, this,
            [this](bool checked) { m_controller.setBackgroundMode(checked); });
    connect(m_apiUrl, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_controller.setApiBaseUrlOverride(text); });

    auto redrawState = [this] { showState(); };
    connect(&m_controller, &SettingsController::themeChanged, this, redrawState);
    connect(&m_controller, &SettingsController::launchAtLoginChanged, this, redrawState);
    connect(&m_controller, &SettingsController::backgroundModeChanged, this, redrawState);
    connect(&m_controller, &SettingsController::apiBaseUrlOverrideChanged, this, redrawState);
    connect(&m_controller, &SettingsController::languageChanged, this, [this] {
        retranslate();
        showState();
    });
}

void SettingsSheetView::retranslate()
{
    setWindowTitle(text("Settings_Title"));
    m_title->setText(text("Settings_Title"));
    m_close->setText(text("Settings_Close"));
    m_themeCard->setTitle(text("Settings_Theme"));
    m_theme->setItemText(0, text("Settings_Theme_System"));
    m_theme->setItemText(1, text("Settings_Theme_Light"));
    m_theme->setItemText(2, text("Settings_Theme_Dark"));
    m_languageCard->setTitle(text("Settings_Language"));
    m_languageHint->setText(text("Settings_Language_Hint"));
    m_startupCard->setTitle(text("Settings_Startup_Title"));
    m_launchAtLogin->setText(text("Settings_Startup_LaunchAtLogin"));
    m_backgroundMode->setText(text("Settings_Startup_BackgroundMode"));
    m_startupHint->setText(text("Settings_Startup_Hint"));
    m_apiCard->setTitle(text("Settings_Api_Title"));
    m_apiHint->setText(text("Settings_Api_Hint"));
    m_moduleCard->retranslate();
    m_aboutCard->setTitle(text("Settings_About_Title"));
    m_versionLabel->setText(text("Settings_Version"));
    m_buildLabel->setText(text("Settings_About_Build"));
    m_publisherLabel->setText(text("Settings_About_Publisher"));
    m_platformLabel->setText(text("Settings_About_Platform"));
    m_updatesLabel->setText(text("Settings_Updates"));
    m_updatesNote->setText(m_controller.updatesNote());
}

void SettingsSheetView::showState()
{
    const QSignalBlocker themeBlock(m_theme);
    m_theme->setCurrentIndex(m_theme->findData(rawValue(m_controller.theme())));
    const QSignalBlocker languageBlock(m_language);
    m_language->setCurrentIndex(m_language->findData(rawValue(m_controller.language())));
    m_launchAtLogin->setChecked(m_controller.launchAtLogin());
    m_backgroundMode->setChecked(m_controller.backgroundMode());
    m_backgroundMode->setEnabled(m_controller.backgroundModeAvailable());
    m_trayNote->setText(m_controller.backgroundModeNote());
    m_trayNote->setVisible(!m_controller.backgroundModeAvailable());
    if (m_apiUrl->text() != m_controller.apiBaseUrlOverride()) {
        m_apiUrl->setText(m_controller.apiBaseUrlOverride());
    }
}

} // namespace orvela::shell::views
