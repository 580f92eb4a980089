#pragma once

#include <QString>

class QSettings;

namespace orvela::updates {

/// Decides whether the release notes open by themselves: once for each installed version,
/// including the very first launch, and never while the version is unknown.
class ReleaseNotesGate {
public:
    /// `store` must outlive the gate.
    ReleaseNotesGate(QSettings* store, QString installedVersion);

    /// True when the installed version is known and differs from "whatsNewLastSeenVersion".
    bool shouldShow() const;

    /// Asked when the main window first shows: when the notes should open, records the version
    /// as seen straight away (so a crash does not show them again) and returns true.
    bool takeStartupDecision();

private:
    QSettings* m_store;
    QString m_installedVersion;
};

} // namespace orvela::updates
