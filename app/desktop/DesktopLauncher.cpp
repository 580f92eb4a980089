#include "desktop/DesktopLauncher.h"

#include "common/AppIdentity.h"
#include "common/LocalizationService.h"
#include "desktop/DemoMode.h"
#include "desktop/DesktopApplication.h"
#include "desktop/LogBridge.h"
#include "platform/SingleInstance.h"
#include "shell/views/MainWindow.h"

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QImageReader>
#include <QMessageBox>
#include <QThreadPool>
#include <QUrl>
#include <cstdio>
#include <optional>

namespace orvela::desktop {

namespace {

/// Reads the font configuration and loads the image-format plugins on a pool thread while the
/// main thread builds the first window, which would otherwise wait for each on first use. Both
/// are shared and locked, so the main thread simply finds them ready.
void prepareInBackground()
{
    QThreadPool::globalInstance()->start([] {
        QFontDatabase::families();
        QFontMetrics(QFont()).horizontalAdvance(QString::fromUtf8(common::displayName));
        QImageReader::supportedImageFormats();
    });
}

QCommandLineOption demoOption()
{
    return {QStringLiteral("demo"),
            QStringLiteral("Runs with a simulated backend and virtual token in a demo profile.")};
}

/// The options Qt's own application objects take (for example -platform offscreen, -reverse):
/// known to the early parse, so that only a word neither side knows counts as a mistake.
void acceptQtOptions(QCommandLineParser& parser)
{
    const auto hidden = [&parser](const QStringList& names, const QString& valueName) {
        for (const QString& name : names) {
            QCommandLineOption option(name, QString(), valueName);
            option.setFlags(QCommandLineOption::HiddenFromHelp);
            parser.addOption(option);
        }
    };
    hidden({QStringLiteral("platform"), QStringLiteral("platformpluginpath"),
            QStringLiteral("platformtheme"), QStringLiteral("plugin"),
            QStringLiteral("qwindowgeometry"), QStringLiteral("geometry"),
            QStringLiteral("qwindowtitle"), QStringLiteral("title"), QStringLiteral("qwindowicon"),
            QStringLiteral("icon"), QStringLiteral("session"), QStringLiteral("display"),
            QStringLiteral("name"), QStringLiteral("style"), QStringLiteral("stylesheet"),
            QStringLiteral("qmljsdebugger")},
           QStringLiteral("value"));
    hidden({QStringLiteral("reverse"), QStringLiteral("widgetcount"), QStringLiteral("nograb"),
            QStringLiteral("dograb"), QStringLiteral("sync"), QStringLiteral("testability")},
           QString());
}

/// The document the program was asked to open (the file manager's %f), as a full path: a
/// running instance that is handed it works in another folder. Empty when none was given.
QString documentArgument(const QCommandLineParser& parser)
{
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty() || positional.constFirst().isEmpty()) {
        return {};
    }
    QString path = positional.constFirst();
    if (path.startsWith(QStringLiteral("file:"))) {
        path = QUrl(path).toLocalFile();
    }
    return path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
}

void describeOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QString::fromUtf8(common::displayName) +
                                     QStringLiteral(" e-ID desktop client"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(demoOption());
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("A signed PDF to check on the verification page."),
                                 QStringLiteral("[FILE]"));
}

/// Answers --help, --version and a mistaken command line before any application object
/// exists: the graphical one aborts where there is no display, and none of these answers needs
/// one. A mistake prints the usage on standard error and ends with status 2.
std::optional<int> answerWithoutDisplay(int argc, char** argv)
{
    QStringList arguments;
    for (int index = 0; index < argc; ++index) {
        arguments.append(QString::fromLocal8Bit(argv[index]));
    }
    QCommandLineParser parser;
    // Qt's own options are single-dash words (-platform, -reverse); read as letters they would
    // pass for -v or -h.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    describeOptions(parser);
    acceptQtOptions(parser);
    const bool understood = parser.parse(arguments);
    // Without an application object the parser cannot name the program itself.
    const QString help = parser.helpText().replace(QStringLiteral("<executable_name>"),
                                                   QCoreApplication::applicationName());
    if (!understood) {
        std::fprintf(stderr, "%s: %s\n\n%s", qUtf8Printable(QCoreApplication::applicationName()),
                     qUtf8Printable(parser.errorText()), qUtf8Printable(help));
        return 2;
    }
    // --help-all lists Qt's own options as well, which only the application object knows.
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qUtf8Printable(help), stdout);
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("%s %s\n", qUtf8Printable(QCoreApplication::applicationName()),
                    qUtf8Printable(QCoreApplication::applicationVersion()));
        return 0;
    }
    return std::nullopt;
}

/// Says, on standard error and in a window, that the settings file cannot be opened.
int refuseSettingsFile(int argc, char** argv)
{
    const QString message = common::settingsFileRefusal();
    std::fprintf(stderr, "orvela-desktop: %s\n", qUtf8Printable(message));
    // Without a display the application object would abort, and standard error has said it.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        return 1;
    }
    QApplication application(argc, argv);
    DesktopLauncher::settingsFileRefusal()->exec();
    return 1;
}

} // namespace

std::unique_ptr<QMessageBox> DesktopLauncher::settingsFileRefusal()
{
    auto box =
        std::make_unique<QMessageBox>(QMessageBox::Critical, QString::fromUtf8(common::displayName),
                                      common::settingsFileRefusal(), QMessageBox::Ok);
    box->setTextFormat(Qt::PlainText); // the file's name is outside text
    return box;
}

int DesktopLauncher::run(int argc, char** argv, const LaunchHooks& hooks)
{
    const bool settingsUsable = common::applyAppIdentity();
    QCoreApplication::setApplicationVersion(QString::fromLatin1(common::version));
    if (const std::optional<int> answered = answerWithoutDisplay(argc, argv)) {
        return *answered;
    }
    if (!settingsUsable) {
        return refuseSettingsFile(argc, argv);
    }
    QApplication application(argc, argv);
    QGuiApplication::setApplicationDisplayName(QString::fromUtf8(common::displayName));
    QGuiApplication::setDesktopFileName(QString::fromUtf8(common::desktopId));
    LogBridge::install();

    QCommandLineParser parser;
    describeOptions(parser);
    parser.process(application);
    const QCommandLineOption demo = demoOption();

    const QString instanceName = platform::SingleInstance::nameForCurrentUser(
        parser.isSet(demo) ? QStringLiteral("demo") : QString());
    const QString document = documentArgument(parser);
    if (!hooks.alone && platform::SingleInstance(instanceName).handOver(document)) {
        return 0;
    }

    DesktopProfile profile;
    std::unique_ptr<DemoMode> demoMode;
    if (parser.isSet(demo)) {
        demoMode = std::make_unique<DemoMode>();
        if (const auto failure = demoMode->prepare()) {
            std::fprintf(stderr, "orvela-desktop: %s\n",
                         qUtf8Printable(common::LocalizationService::shared().localized(*failure)));
            return 1;
        }
        profile = demoMode->takeProfile();
        std::fprintf(stderr, "orvela-desktop: demo profile in %s, backend simulator at %s\n",
                     qUtf8Printable(demoMode->directory()), qUtf8Printable(profile.apiBaseUrl));
    }
    profile.instanceName = instanceName;
    // Only once nothing can fail any more: an early return would end the application under
    // the pool thread's feet.
    prepareInBackground();
    if (hooks.alone) {
        profile.instanceName += QStringLiteral("-alone-%1").arg(QCoreApplication::applicationPid());
    }

    DesktopApplication desktop(std::move(profile));
    if (hooks.onWindow) {
        hooks.onWindow(desktop.mainWindow());
    }
    desktop.start();
    if (!document.isEmpty()) {
        desktop.openDocument(document);
    }
    return QApplication::exec();
}

} // namespace orvela::desktop
