#include "shell/views/SettingsSheetView.h"

#include "common/LocalizationService.h"
#include "common/LocalizationTables.h"
#include "components/Accessibility.h"
#include "components/ActionButton.h"
#include "components/Card.h"
#include "components/Style.h"
#include "shell/SettingsController.h"
#include "shell/views/ModuleChoiceCard.h"
#include "shell/views/SettingsRows.h"

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
    : QDialog(parent), m_controller(controller), m_rows(new SettingsRows(controller, prompts, this))
{
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
    for (AppLanguage language : {AppLanguage::mn, AppLanguage::en}) {
        const QString key = language == AppLanguage::mn
                                ? QStringLiteral("Settings_Language_Mongolian")
                                : QStringLiteral("Settings_Language_English");
        m_language->addItem(common::builtInText(key, language), rawValue(language));
    }
    m_languageCard->contentLayout()->addWidget(m_language);
    m_languageCard->contentLayout()->addWidget(
        m_rows->note("Settings_Language_Hint", m_languageCard));

    m_startupCard = new Card(this);
    m_rows->addStartupRows(*m_startupCard->contentLayout(), m_startupCard);

    m_apiCard = new Card(this);
    QLabel* apiHint = m_rows->note("Settings_Api_Hint", m_apiCard);
    QLineEdit* apiUrl = m_rows->apiUrl(m_apiCard);
    apiHint->setBuddy(apiUrl);
    m_apiCard->contentLayout()->addWidget(apiHint);
    m_apiCard->contentLayout()->addWidget(apiUrl);

    m_aboutCard = new Card(this);
    auto* about = new QFormLayout;
    m_rows->addAboutRow(*about, "Settings_Version",
                        valueLabel(SettingsController::versionText(), m_aboutCard));
    m_rows->addAboutRow(*about, "Settings_About_Build",
                        valueLabel(SettingsController::buildText(), m_aboutCard));
    m_rows->addAboutRow(*about, "Settings_About_Publisher",
                        valueLabel(SettingsController::publisherText(), m_aboutCard));
    m_rows->addAboutRow(*about, "Settings_About_Platform",
                        valueLabel(SettingsController::platformText(), m_aboutCard));
    m_rows->addUpdatesRow(*about, valueLabel(QString(), m_aboutCard));
    m_aboutCard->contentLayout()->addLayout(about);

    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setSpacing(style::spacingM);
    for (Card* card : {m_themeCard, m_languageCard, m_startupCard, m_apiCard,
                       static_cast<Card*>(m_rows->moduleCard()), m_aboutCard}) {
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
    // The shared rows follow their own settings; the theme is this sheet's own.
    connect(&m_controller, &SettingsController::themeChanged, this, [this] { showState(); });
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
    m_startupCard->setTitle(text("Settings_Startup_Title"));
    m_apiCard->setTitle(text("Settings_Api_Title"));
    m_aboutCard->setTitle(text("Settings_About_Title"));
    m_rows->retranslate();
}

void SettingsSheetView::showState()
{
    const QSignalBlocker themeBlock(m_theme);
    m_theme->setCurrentIndex(m_theme->findData(rawValue(m_controller.theme())));
    const QSignalBlocker languageBlock(m_language);
    m_language->setCurrentIndex(m_language->findData(rawValue(m_controller.language())));
    m_rows->showState();
}

} // namespace orvela::shell::views
