#pragma once

#include "api/BackendProbe.h"
#include "api/CallResult.h"
#include "diagnostics/Check.h"
#include "platform/KeychainError.h"

#include <QByteArray>
#include <QDateTime>
#include <QUrl>
#include <variant>

namespace orvela::diagnostics {

/// How far the server's clock may be from ours before signing is at risk, in seconds.
inline constexpr qint64 kClockWarningSeconds = 60;
inline constexpr qint64 kClockProblemSeconds = 300;

/// The backend's check from one health probe; `now` is this computer's clock (UTC).
Check backendCheck(const QString& baseUrl, const api::BackendProbe& probe, const QDateTime& now);

/// The credential store's check from reading the stored identity: the collection answers and
/// is unlocked, and who is signed in (the register number masked).
Check credentialCheck(const std::variant<QByteArray, platform::KeychainError>& read);

/// The update feed's check: none configured, or whether reading it worked.
Check updatesCheck(const QUrl& feedUrl, const api::CallResult<QByteArray>* fetched);

/// The fingerprint service on the system bus: fprintd there or not, and its readers. Blocks
/// for at most `limitMs`.
Check fingerprintCheck(int limitMs);

/// The address as it may be shown: no user name or password, no query, no fragment.
QString shownAddress(const QString& address);

} // namespace orvela::diagnostics
