#include "shell/views/SettingsView.h"

#include "common/LocalizationService.h"
#include "components/ActionButton.h"
#include "components/Style.h"
#include "shell/SettingsController.h"
#include "shell/views/ModuleChoiceCard.h"
#include "shell/views/SettingsRows.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>

namespace orvela::shell::views {

SettingsView::SettingsView(SettingsController& controller, QWidget* parent,
                           components::Prompts* prompts)
    : QWidget(parent), m_controller(controller), m_rows(new SettingsRows(controller, prompts, this))
{
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
    m_rows->addStartupRows(*new QVBoxLayout(m_startup), m_startup);

    m_security = new QGroupBox(this);
    m_rows->addBiometricGate(*new QVBoxLayout(m_security), m_security);

    m_server = new QGroupBox(this);
    QLineEdit* apiUrl = m_rows->apiUrl(m_server);
    auto* serverLayout = new QVBoxLayout(m_server);
    serverLayout->addWidget(apiUrl);
    serverLayout->addWidget(m_rows->note("Settings_Api_Note", m_server));

    m_about = new QGroupBox(this);
    auto* aboutLayout = new QFormLayout(m_about);
    m_rows->addAboutRow(*aboutLayout, "Settings_Version",
                        new QLabel(SettingsController::versionText(), m_about));
    m_rows->addAboutRow(*aboutLayout, "Settings_About_Publisher",
                        new QLabel(SettingsController::publisherText(), m_about));
    m_rows->addUpdatesRow(*aboutLayout, new QLabel(m_about));

    // The groups scroll, so a longer language never cuts a note off in a window kept small.
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(components::style::spacingM);
    for (QWidget* group :
         {static_cast<QWidget*>(m_startup), static_cast<QWidget*>(m_security),
          static_cast<QWidget*>(m_server), static_cast<QWidget*>(m_rows->moduleCard()),
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
    m_startup->setTitle(text("Settings_Startup_Title"));
    m_security->setTitle(text("Settings_Security_Title"));
    m_server->setTitle(text("Settings_Api_Title"));
    m_about->setTitle(text("Settings_About_Title"));
    m_rows->retranslate();
    m_rows->showState();
}

void SettingsView::connectControls()
{
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);
    connect(&m_controller.localization(), &common::LocalizationService::languageChanged, this,
            &SettingsView::retranslate);
}

} // namespace orvela::shell::views
