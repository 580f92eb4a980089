#include "desktop/demo/DemoPluginLoader.h"

#include "common/LocalizationService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace orvela::demo {

QString defaultDemoPluginPath()
{
    const QDir programDir(QCoreApplication::applicationDirPath());
    const QString name = QString::fromLatin1(demoPluginFileName);
    for (const QString& candidate :
         {programDir.filePath(name),
          programDir.filePath(QStringLiteral(ORVELA_DEMO_PLUGIN_RELDIR "/") + name)}) {
        if (QFileInfo(candidate).isFile()) {
            return QDir::cleanPath(candidate);
        }
    }
    return {};
}

DemoPlugin loadDemoPlugin(const QString& path)
{
    DemoPlugin plugin;
    const QString file = path.isEmpty() ? defaultDemoPluginPath() : path;
    if (file.isEmpty()) {
        plugin.failure = DemoPluginFailure::notInstalled;
        return plugin;
    }
    QLibrary library(file);
    const auto factory =
        reinterpret_cast<DemoServicesFactory>(library.resolve(demoServicesFactory));
    if (factory == nullptr) {
        plugin.failure = DemoPluginFailure::unloadable;
        plugin.detail = library.errorString();
        return plugin;
    }
    plugin.services.reset(factory());
    plugin.services->useLogSink(tokenkit::logSink());
    plugin.detail = file;
    return plugin;
}

common::KeyedText demoPluginFailure(const DemoPlugin& plugin)
{
    switch (plugin.failure) {
    case DemoPluginFailure::none:
        return {};
    case DemoPluginFailure::notInstalled:
        return {QStringLiteral("Demo_PluginNotInstalled"), QString::fromLatin1(demoPluginPackage)};
    case DemoPluginFailure::unloadable:
        return {QStringLiteral("Demo_PluginUnloadable"), plugin.detail};
    }
    return {};
}

QString demoPluginFailureText(const DemoPlugin& plugin)
{
    return common::LocalizationService::shared().localized(demoPluginFailure(plugin));
}

} // namespace orvela::demo
