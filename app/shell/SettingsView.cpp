#include "shell/SettingsView.h"

#include "components/Style.h"
#include "shell/SettingsController.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace orvela::shell {

namespace {

QLabel* noteLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setFont(components::style::captionFont());
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

} // namespace

SettingsView::SettingsView(SettingsController& controller, QWidget* parent)
    : QWidget(parent), m_controller(controller)
{
    setObjectName(QStringLiteral("settingsWindow"));
    setWindowTitle(QStringLiteral("Тохиргоо"));
    setMinimumWidth(460);
    buildLayout();
    showState();
    connectControls();
}

void SettingsView::buildLayout()
{
    auto* startup = new QGroupBox(QStringLiteral("Эхлүүлэлт"), this);
    m_launchAtLogin = new QCheckBox(QStringLiteral("Нэвтрэхэд автоматаар нээх"), startup);
    m_launchAtLogin->setObjectName(QStringLiteral("launchAtLogin"));
    m_backgroundMode =
        new QCheckBox(QStringLiteral("Трей горим (ажлын самбарт цонх харагдахгүй)"), startup);
    m_backgroundMode->setObjectName(QStringLiteral("backgroundMode"));
    m_trayNote = noteLabel(QString(), startup);
    m_trayNote->setObjectName(QStringLiteral("trayNote"));
    auto* startupLayout = new QVBoxLayout(startup);
    startupLayout->addWidget(m_launchAtLogin);
    startupLayout->addWidget(m_backgroundMode);
    startupLayout->addWidget(noteLabel(
        QStringLiteral("Трей горимд апп зөвхөн системийн трейд ажиллана — цонхыг хаасан ч "
                       "тэндээ ажилласаар байна."),
        startup));
    startupLayout->addWidget(m_trayNote);

    auto* security = new QGroupBox(QStringLiteral("Аюулгүй байдал"), this);
    m_biometricGate = new QCheckBox(QStringLiteral("App нээхэд хурууны хээ асуух"), security);
    m_biometricGate->setObjectName(QStringLiteral("biometricGate"));
    auto* securityLayout = new QVBoxLayout(security);
    securityLayout->addWidget(m_biometricGate);

    auto* server = new QGroupBox(QStringLiteral("Сервер"), this);
    m_apiUrl = new QLineEdit(server);
    m_apiUrl->setObjectName(QStringLiteral("apiUrl"));
    m_apiUrl->setPlaceholderText(QStringLiteral("http://localhost:3000"));
    auto* serverLayout = new QVBoxLayout(server);
    serverLayout->addWidget(m_apiUrl);
    serverLayout->addWidget(noteLabel(
        QStringLiteral("Вэб үйлчилгээний хаяг. Программ түүний нийтэд нээлттэй /api замуудыг "
                       "ямар ч нууц түлхүүргүйгээр ашиглана."),
        server));

    auto* about = new QGroupBox(QStringLiteral("Тухай"), this);
    auto* aboutLayout = new QFormLayout(about);
    aboutLayout->addRow(QStringLiteral("Хувилбар"),
                        new QLabel(SettingsController::versionText(), about));
    aboutLayout->addRow(QStringLiteral("Гаргагч"),
                        new QLabel(SettingsController::publisherText(), about));
    auto* updates = new QLabel(m_controller.updatesNote(common::AppLanguage::mn), about);
    updates->setObjectName(QStringLiteral("updatesNote"));
    updates->setWordWrap(true);
    aboutLayout->addRow(QStringLiteral("Шинэчлэлт"), updates);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(components::style::spacingXl, components::style::spacingL,
                               components::style::spacingXl, components::style::spacingL);
    layout->setSpacing(components::style::spacingM);
    for (QGroupBox* group : {startup, security, server, about}) {
        layout->addWidget(group);
    }
    layout->addStretch();
}

void SettingsView::connectControls()
{
    connect(m_launchAtLogin, &QCheckBox::clicked, this,
            [this](bool checked) { m_controller.setLaunchAtLogin(checked); });
    connect(m_backgroundMode, &QCheckBox::clicked, this,
            [this](bool checked) { m_controller.setBackgroundMode(checked); });
    connect(m_biometricGate, &QCheckBox::clicked, this,
            [this](bool checked) { m_controller.setBiometricGateEnabled(checked); });
    connect(m_apiUrl, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_controller.setApiBaseUrlOverride(text); });

    auto redrawState = [this] { showState(); };
    connect(&m_controller, &SettingsController::launchAtLoginChanged, this, redrawState);
    connect(&m_controller, &SettingsController::backgroundModeChanged, this, redrawState);
    connect(&m_controller, &SettingsController::biometricGateEnabledChanged, this, redrawState);
    connect(&m_controller, &SettingsController::apiBaseUrlOverrideChanged, this, redrawState);
}

void SettingsView::showState()
{
    m_launchAtLogin->setChecked(m_controller.launchAtLogin());
    m_backgroundMode->setChecked(m_controller.backgroundMode());
    m_backgroundMode->setEnabled(m_controller.backgroundModeAvailable());
    // This window speaks Mongolian whatever the interface language, the note included.
    m_trayNote->setVisible(!m_controller.backgroundModeAvailable());
    m_trayNote->setText(m_controller.backgroundModeNote(common::AppLanguage::mn));
    m_biometricGate->setChecked(m_controller.biometricGateEnabled());
    if (m_apiUrl->text() != m_controller.apiBaseUrlOverride()) {
        m_apiUrl->setText(m_controller.apiBaseUrlOverride());
    }
}

} // namespace orvela::shell
