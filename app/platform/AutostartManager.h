#pragma once

#include "platform/AutostartBackend.h"

#include <QObject>
#include <memory>

namespace orvela::platform {

/// Whether the program opens when the user logs in. Registration failures are swallowed: the
/// published state is always re-read from the platform, so a toggle shows what really holds.
class AutostartManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool launchAtLogin READ launchAtLogin NOTIFY launchAtLoginChanged)

public:
    explicit AutostartManager(std::unique_ptr<AutostartBackend> backend, QObject* parent = nullptr);

    /// The process-wide instance over the user's XDG autostart entry for this program. Needs
    /// the application's name set before first use.
    static AutostartManager& shared();

    bool launchAtLogin() const { return m_launchAtLogin; }

    /// Registers or unregisters as asked, then publishes the status read back, announcing it
    /// even when unchanged so a control the user just flipped falls back to the truth.
    void setEnabled(bool enabled);

    /// Re-reads the status, for a change made outside the program.
    void refresh();

signals:
    void launchAtLoginChanged(bool launchAtLogin);

private:
    std::unique_ptr<AutostartBackend> m_backend;
    bool m_launchAtLogin;
};

} // namespace orvela::platform
