#include "platform/AutostartManager.h"

#include "platform/XdgAutostartEntry.h"

#include <QCoreApplication>
#include <utility>

namespace orvela::platform {

AutostartManager::AutostartManager(std::unique_ptr<AutostartBackend> backend, QObject* parent)
    : QObject(parent), m_backend(std::move(backend)), m_launchAtLogin(m_backend->isEnabled())
{}

AutostartManager& AutostartManager::shared()
{
    // Menu-bar mode follows its own setting at every start, so the entry starts the program
    // exactly as the user would.
    static AutostartManager instance(std::make_unique<XdgAutostartEntry>(
        QCoreApplication::applicationName(), QCoreApplication::applicationFilePath()));
    return instance;
}

void AutostartManager::setEnabled(bool enabled)
{
    const bool current = m_backend->isEnabled();
    if (enabled && !current) {
        m_backend->enable();
    } else if (!enabled && current) {
        m_backend->disable();
    }
    refresh();
}

void AutostartManager::refresh()
{
    m_launchAtLogin = m_backend->isEnabled();
    emit launchAtLoginChanged(m_launchAtLogin);
}

} // namespace orvela::platform
