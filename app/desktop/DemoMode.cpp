#include "desktop/DemoMode.h"

#include "common/AtomicFile.h"
#include "desktop/demo/DemoPluginLoader.h"
#include "desktop/demo/DemoServices.h"
#include "platform/SingleInstance.h"
#include "platform/XdgAutostartEntry.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QStandardPaths>

namespace orvela::desktop {

namespace {
Q_LOGGING_CATEGORY(lcDemo, "mn.orvela.eid.desktop.Demo")
}

DemoMode::DemoMode(QString directory, QString plugin, QObject* parent)
    : QObject(parent), m_directory(directory.isEmpty() ? defaultDirectory() : std::move(directory)),
      m_plugin(std::move(plugin))
{}

DemoMode::~DemoMode()
{
    if (m_services) {
        m_services->stopBackend();
    }
}

QString DemoMode::defaultDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/orvela-desktop/demo");
}

QString DemoMode::tokenStateFile() const
{
    return m_directory + QStringLiteral("/virtual-token.state");
}

std::optional<common::KeyedText> DemoMode::prepare()
{
    if (!QDir().mkpath(m_directory)) {
        return common::KeyedText(QStringLiteral("Demo_ProfileFailed"), m_directory);
    }
    QFile::setPermissions(m_directory,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (auto failure = loadPlugin()) {
        return failure;
    }
    // The simulator's authority is kept with the profile, so the copies it signed in earlier
    // demo runs still check as trusted.
    m_baseUrl = m_services->startBackend(approveAfterMs,
                                         m_directory + QStringLiteral("/signing-authority"));
    if (m_baseUrl.isEmpty()) {
        return common::KeyedText(QStringLiteral("Demo_SimulatorFailed"));
    }
    qCInfo(lcDemo) << "backend simulator at" << m_baseUrl;
    try {
        plugInVirtualToken();
    } catch (const std::exception& failure) {
        return common::KeyedText(QStringLiteral("Demo_DemoTokenFailed"),
                                 QString::fromUtf8(failure.what()));
    }
    setUpSoftHsm();
    return std::nullopt;
}

std::optional<common::KeyedText> DemoMode::loadPlugin()
{
    demo::DemoPlugin plugin = demo::loadDemoPlugin(m_plugin);
    if (!plugin.services) {
        return demo::demoPluginFailure(plugin);
    }
    m_services = std::move(plugin.services);
    qCInfo(lcDemo) << "demo plugin" << plugin.detail;
    return std::nullopt;
}

void DemoMode::plugInVirtualToken()
{
    m_readerBackend = m_services->makeVirtualReader(
        tokenStateFile().toStdString(), "Orvela Demo Token", demo::VirtualTokenMode::aes);
}

void DemoMode::setUpSoftHsm()
{
    if (!QFileInfo::exists(QString::fromLatin1(softHsmLibrary))) {
        qCInfo(lcDemo) << "SoftHSM2 is not installed; the PKCS#11 road keeps its defaults";
        return;
    }
    const QString tokens = m_directory + QStringLiteral("/softhsm-tokens");
    const QString config = m_directory + QStringLiteral("/softhsm2.conf");
    QDir().mkpath(tokens);
    const QByteArray contents = QStringLiteral("directories.tokendir = %1\nobjectstore.backend = "
                                               "file\nlog.level = ERROR\n")
                                    .arg(tokens)
                                    .toUtf8();
    if (const auto error = common::writeFileAtomically(config, contents)) {
        qCWarning(lcDemo) << "cannot write the SoftHSM2 configuration:" << *error;
        return;
    }
    qputenv("SOFTHSM2_CONF", config.toUtf8());
    qputenv("ORVELA_PKCS11_LIBRARY", softHsmLibrary);
    m_softHsm = true;
    if (!QDir(tokens).isEmpty()) {
        return;
    }
    // A first run gets a token to work with; made in the background, the window need not wait.
    auto* init = new QProcess(this);
    connect(init, &QProcess::finished, init, &QObject::deleteLater);
    init->start(QStringLiteral("softhsm2-util"),
                {QStringLiteral("--init-token"), QStringLiteral("--free"),
                 QStringLiteral("--label"), QStringLiteral("Orvela Demo"), QStringLiteral("--pin"),
                 QString::fromLatin1(softHsmUserPin), QStringLiteral("--so-pin"),
                 QString::fromLatin1(softHsmSoPin)});
}

DesktopProfile DemoMode::takeProfile()
{
    DesktopProfile profile;
    profile.settings = std::make_unique<QSettings>(m_directory + QStringLiteral("/settings.ini"),
                                                   QSettings::IniFormat);
    profile.keychainService = QString::fromLatin1(keychainService);
    profile.instanceName = platform::SingleInstance::nameForCurrentUser(QStringLiteral("demo"));
    profile.apiBaseUrl = m_baseUrl;
    // Copies the simulator signs are checked against its own authority, in the demo alone.
    profile.trustedAuthorityPem = m_services ? m_services->backendAuthorityPem() : QByteArray();
    profile.readerBackend = m_readerBackend;
    profile.autostart = std::make_unique<platform::XdgAutostartEntry>(
        QCoreApplication::applicationName() + QStringLiteral("-demo"),
        QCoreApplication::applicationFilePath(), QStringList{QStringLiteral("--demo")});
    return profile;
}

} // namespace orvela::desktop
