#pragma once

#include "common/AppLanguage.h"
#include "platform/KeychainManager.h"

#include <QString>
#include <QUrl>
#include <memory>
#include <optional>
#include <string>

namespace orvela::api {
class APIClient;
}
namespace orvela::tokenkit {
class ReaderBackend;
}

namespace orvela::diagnostics {

/// What the report is made from that only its caller knows: the desktop and the command line
/// each fill it from their own start-up.
struct DiagnosticsEnvironment {
    QString version;
    QString build;
    common::AppLanguage language = common::AppLanguage::mn;
    /// Whether the desktop has a system tray; none where the caller cannot tell (no display).
    std::optional<bool> trayAvailable;
    /// The update feed in force; empty when none is set.
    QUrl feedUrl;
    /// The backend client; not owned, must outlive the run.
    api::APIClient* api = nullptr;
    /// Where readers come from (the desktop's and the command line's own); null: PC/SC.
    std::shared_ptr<tokenkit::ReaderBackend> readers;
    /// A PKCS#11 library named for this run (--library); none: the one every PKCS#11 action
    /// opens at the time of the run (the environment's, else the settings' choice, else the
    /// usual locations).
    std::optional<std::string> pkcs11Library;
    QString settingsPath;
    /// The credential store's service name (a demo profile has its own).
    QString keychainService = QString::fromLatin1(platform::KeychainManager::defaultService);
    /// Each check's own time limit; the backend's exchange gets the same.
    int limitMs = 6000;
};

} // namespace orvela::diagnostics
