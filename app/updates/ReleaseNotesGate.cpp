#include "updates/ReleaseNotesGate.h"

#include "common/SettingsKeys.h"

#include <QSettings>
#include <utility>

namespace orvela::updates {

ReleaseNotesGate::ReleaseNotesGate(QSettings* store, QString installedVersion)
    : m_store(store), m_installedVersion(std::move(installedVersion).trimmed())
{}

bool ReleaseNotesGate::shouldShow() const
{
    const QString lastSeen =
        m_store->value(settings::whatsNewLastSeenVersion.toString()).toString();
    return !m_installedVersion.isEmpty() && m_installedVersion != lastSeen;
}

bool ReleaseNotesGate::takeStartupDecision()
{
    if (!shouldShow()) {
        return false;
    }
    m_store->setValue(settings::whatsNewLastSeenVersion.toString(), m_installedVersion);
    m_store->sync();
    return true;
}

} // namespace orvela::updates
