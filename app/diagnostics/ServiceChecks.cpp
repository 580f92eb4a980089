#include "diagnostics/ServiceChecks.h"

#include "session/StoredIdentity.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QHostAddress>
#include <QScopeGuard>
#include <QUuid>
#include <cstdlib>

namespace orvela::diagnostics {

namespace {

void addTls(const api::BackendProbe& probe, Check& check)
{
    check.add(QStringLiteral("Diag_Fact_Tls"), probe.tlsProtocol);
    const QStringList names = probe.leaf.subjectInfo(QSslCertificate::CommonName);
    check.add(QStringLiteral("Diag_Fact_Certificate"), names.join(QStringLiteral(", ")));
    check.add(QStringLiteral("Diag_Fact_Expires"),
              probe.leaf.expiryDate().toUTC().toString(Qt::ISODate));
    check.addWord(QStringLiteral("Diag_Fact_PinsMatch"), probe.chainMatchesPins
                                                             ? QStringLiteral("Diag_Value_Yes")
                                                             : QStringLiteral("Diag_Value_No"));
}

void judgeClock(const api::BackendProbe& probe, const QDateTime& now, Check& check)
{
    if (!probe.serverDate) {
        check.addWord(QStringLiteral("Diag_Fact_Clock"), QStringLiteral("Diag_Value_Unknown"));
        return;
    }
    // The Date header counts whole seconds: ours too, or every difference reads one short.
    const qint64 seconds = now.addMSecs(-now.time().msec()).secsTo(*probe.serverDate);
    check.add(
        QStringLiteral("Diag_Fact_Clock"),
        QStringLiteral("%1%2 s").arg(seconds > 0 ? QStringLiteral("+") : QString()).arg(seconds));
    const qint64 distance = std::abs(seconds);
    if (distance > kClockProblemSeconds) {
        check.judge(Verdict::problem, QStringLiteral("Diag_Backend_ClockOff"),
                    QStringLiteral("Diag_Backend_ClockOff_Advice"));
    } else if (distance > kClockWarningSeconds) {
        check.judge(Verdict::warning, QStringLiteral("Diag_Backend_ClockOff"),
                    QStringLiteral("Diag_Backend_ClockOff_Advice"));
    }
}

bool loopback(const QUrl& url)
{
    const QHostAddress address(url.host());
    return url.host() == u"localhost" || (!address.isNull() && address.isLoopback());
}

} // namespace

QString shownAddress(const QString& address)
{
    const QUrl url(address);
    if (!url.isValid()) {
        return QStringLiteral("—");
    }
    return url.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment).toString();
}

Check backendCheck(const QString& baseUrl, const api::BackendProbe& probe, const QDateTime& now)
{
    Check check{QStringLiteral("backend"), QStringLiteral("Diag_Backend_Title")};
    check.add(QStringLiteral("Diag_Fact_Address"), shownAddress(baseUrl));
    check.addWord(QStringLiteral("Diag_Fact_Pinning"), probe.pinningEnabled
                                                           ? QStringLiteral("Diag_Value_On")
                                                           : QStringLiteral("Diag_Value_Off"));
    if (probe.encrypted) {
        addTls(probe, check);
    }
    check.judge(Verdict::fine, QStringLiteral("Diag_Backend_Fine"));
    if (probe.pinRefused) {
        check.judge(Verdict::problem, QStringLiteral("Diag_Backend_PinRefused"),
                    QStringLiteral("Diag_Backend_PinRefused_Advice"));
        return check;
    }
    if (probe.timedOut) {
        check.timedOut = true;
        check.judge(Verdict::problem, QStringLiteral("Diag_TimedOut"),
                    QStringLiteral("Diag_Backend_Unreachable_Advice"));
        return check;
    }
    if (!probe.answered) {
        check.addWord(QStringLiteral("Diag_Fact_Answer"), QStringLiteral("Diag_Value_No"),
                      probe.failure);
        check.judge(Verdict::problem, QStringLiteral("Diag_Backend_Unreachable"),
                    QStringLiteral("Diag_Backend_Unreachable_Advice"));
        return check;
    }
    check.add(QStringLiteral("Diag_Fact_Answer"), QStringLiteral("HTTP %1").arg(probe.httpStatus));
    check.add(QStringLiteral("Diag_Fact_RoundTrip"),
              QStringLiteral("%1 ms").arg(probe.roundTripMs));
    if (probe.httpStatus < 200 || probe.httpStatus > 299) {
        check.judge(Verdict::warning, QStringLiteral("Diag_Backend_Unhealthy"),
                    QStringLiteral("Diag_Backend_Unreachable_Advice"));
    }
    if (!probe.encrypted && !loopback(QUrl(baseUrl))) {
        check.judge(Verdict::warning, QStringLiteral("Diag_Backend_Plain"),
                    QStringLiteral("Diag_Backend_Plain_Advice"));
    }
    if (probe.encrypted && probe.leaf.expiryDate() < now.addDays(14)) {
        check.judge(Verdict::warning, QStringLiteral("Diag_Backend_CertExpiring"),
                    QStringLiteral("Diag_Backend_CertExpiring_Advice"));
    }
    judgeClock(probe, now, check);
    return check;
}

Check credentialCheck(const std::variant<QByteArray, platform::KeychainError>& read)
{
    Check check{QStringLiteral("credentialStore"), QStringLiteral("Diag_Credentials_Title")};
    if (const auto* bytes = std::get_if<QByteArray>(&read)) {
        check.addWord(QStringLiteral("Diag_Fact_Collection"),
                      QStringLiteral("Diag_Value_Unlocked"));
        const auto identity = session::StoredIdentity::decode(*bytes);
        const QString number = identity ? identity->nationalId : QString();
        check.add(QStringLiteral("Diag_Fact_SignedIn"),
                  number.isEmpty() ? QStringLiteral("—") : maskIdentifier(number));
        check.judge(Verdict::fine, QStringLiteral("Diag_Credentials_Fine"));
        return check;
    }
    using Cause = platform::KeychainError::Cause;
    const Cause cause = std::get<platform::KeychainError>(read).cause();
    if (cause == Cause::notFound) {
        check.addWord(QStringLiteral("Diag_Fact_Collection"),
                      QStringLiteral("Diag_Value_Unlocked"));
        check.addWord(QStringLiteral("Diag_Fact_SignedIn"), QStringLiteral("Diag_Value_Nobody"));
        check.judge(Verdict::fine, QStringLiteral("Diag_Credentials_Fine"));
    } else if (cause == Cause::locked || cause == Cause::cancelled) {
        check.addWord(QStringLiteral("Diag_Fact_Collection"), QStringLiteral("Diag_Value_Locked"));
        check.judge(Verdict::warning, QStringLiteral("Diag_Credentials_Locked"),
                    QStringLiteral("Diag_Credentials_Locked_Advice"));
    } else {
        check.addWord(QStringLiteral("Diag_Fact_Collection"),
                      QStringLiteral("Diag_Value_Unreachable"));
        check.judge(Verdict::problem, QStringLiteral("Diag_Credentials_Absent"),
                    QStringLiteral("Diag_Credentials_Absent_Advice"));
    }
    return check;
}

Check updatesCheck(const QUrl& feedUrl, const api::CallResult<QByteArray>* fetched)
{
    Check check{QStringLiteral("updates"), QStringLiteral("Diag_Updates_Title")};
    if (feedUrl.isEmpty() || fetched == nullptr) {
        check.addWord(QStringLiteral("Diag_Fact_Feed"), QStringLiteral("Diag_Value_NotSet"));
        check.judge(Verdict::fine, QStringLiteral("Diag_Updates_NotSet"));
        return check;
    }
    check.add(QStringLiteral("Diag_Fact_Feed"), shownAddress(feedUrl.toString()));
    if (fetched->ok()) {
        check.judge(Verdict::fine, QStringLiteral("Diag_Updates_Fine"));
    } else {
        check.judge(Verdict::warning, QStringLiteral("Diag_Updates_Unreachable"),
                    QStringLiteral("Diag_Updates_Unreachable_Advice"));
    }
    return check;
}

Check fingerprintCheck(int limitMs)
{
    Check check{QStringLiteral("fingerprint"), QStringLiteral("Diag_Fingerprint_Title")};
    // A connection of this run's own: the shared one belongs to the interface thread.
    const QString name =
        QStringLiteral("orvela-diagnostics-%1").arg(QUuid::createUuid().toString());
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SystemBus, name);
    const auto closeBus = qScopeGuard([&name] { QDBusConnection::disconnectFromBus(name); });
    const QString service = QStringLiteral("net.reactivated.Fprint");
    const bool present =
        bus.isConnected() && (bus.interface()->isServiceRegistered(service).value() ||
                              bus.interface()->activatableServiceNames().value().contains(service));
    if (!present) {
        check.addWord(QStringLiteral("Diag_Fact_Fprintd"),
                      QStringLiteral("Diag_Value_NotInstalled"));
        check.judge(Verdict::fine, QStringLiteral("Diag_Fingerprint_None"));
        return check;
    }
    check.addWord(QStringLiteral("Diag_Fact_Fprintd"), QStringLiteral("Diag_Value_Running"));
    const QDBusMessage reply = bus.call(
        QDBusMessage::createMethodCall(service, QStringLiteral("/net/reactivated/Fprint/Manager"),
                                       QStringLiteral("net.reactivated.Fprint.Manager"),
                                       QStringLiteral("GetDevices")),
        QDBus::Block, limitMs);
    const QList<QDBusObjectPath> devices =
        reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
            ? qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().constFirst())
            : QList<QDBusObjectPath>{};
    check.add(QStringLiteral("Diag_Fact_FingerReaders"), QString::number(devices.size()));
    check.judge(Verdict::fine, devices.isEmpty() ? QStringLiteral("Diag_Fingerprint_NoReader")
                                                 : QStringLiteral("Diag_Fingerprint_Fine"));
    return check;
}

} // namespace orvela::diagnostics
