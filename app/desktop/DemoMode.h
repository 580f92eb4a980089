#pragma once

#include "common/KeyedText.h"
#include "desktop/DesktopProfile.h"

#include <QDir>
#include <QObject>
#include <memory>
#include <optional>

namespace orvela::demo {
class DemoServices;
}

namespace orvela::desktop {

/// The whole product on one machine with nothing else: the backend simulator in this process
/// on a free loopback port (its phone approves after about three seconds), a virtual token in
/// an in-process reader, and SoftHSM2 for the PKCS#11 road when it is installed. Everything it
/// keeps lives in a demo profile of its own, so a real profile is never touched.
///
/// The simulator and the virtual token come from the demo plugin, loaded here and only here,
/// so that a normal start neither links nor loads them. The plugin stays loaded until the
/// process ends: the token manager keeps the reader it made.
class DemoMode : public QObject {
    Q_OBJECT

public:
    static constexpr const char* keychainService = "mn.orvela.eid.desktop.demo";
    static constexpr const char* softHsmLibrary = "/usr/lib/softhsm/libsofthsm2.so";
    static constexpr int approveAfterMs = 3000;
    /// PINs of the SoftHSM2 demo token; demo secrets, shown in the README.
    static constexpr const char* softHsmUserPin = "123456";
    static constexpr const char* softHsmSoPin = "12345678";

    /// `directory` empty: `$XDG_DATA_HOME/orvela-desktop/demo`; `plugin` empty: the one
    /// `defaultDemoPluginPath` finds.
    explicit DemoMode(QString directory = QString(), QString plugin = QString(),
                      QObject* parent = nullptr);
    ~DemoMode() override;

    /// The demo profile's default location.
    static QString defaultDirectory();
    /// Creates the profile directory, starts the simulator, opens the virtual token's reader
    /// (the profile's card readers) and points the PKCS#11 road at SoftHSM2. Why the demo
    /// cannot run, as a row of the string tables; nothing when it can.
    std::optional<common::KeyedText> prepare();

    /// The profile the application runs on; call once, after `prepare`.
    DesktopProfile takeProfile();

    const QString& directory() const { return m_directory; }
    QString tokenStateFile() const;
    /// Whether SoftHSM2 was found and set up.
    bool softHsmReady() const { return m_softHsm; }

private:
    std::optional<common::KeyedText> loadPlugin();
    void plugInVirtualToken();
    void setUpSoftHsm();

    QString m_directory;
    QString m_plugin;
    std::unique_ptr<demo::DemoServices> m_services;
    std::shared_ptr<tokenkit::ReaderBackend> m_readerBackend;
    QString m_baseUrl;
    bool m_softHsm = false;
};

} // namespace orvela::desktop
