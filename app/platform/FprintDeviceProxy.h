#pragma once

#include <QDBusAbstractInterface>

namespace orvela::platform {

/// fprintd's device object, written out by hand so that its VerifyStatus signal can be
/// connected with a member-function pointer.
class FprintDeviceProxy : public QDBusAbstractInterface {
    Q_OBJECT
public:
    FprintDeviceProxy(const QString& service, const QString& path,
                      const QDBusConnection& connection, QObject* parent = nullptr)
        : QDBusAbstractInterface(service, path, "net.reactivated.Fprint.Device", connection, parent)
    {}

signals:
    /// fprintd's progress: "verify-match", "verify-no-match", "verify-retry-scan", ...
    void VerifyStatus(const QString& result, bool done);
};

} // namespace orvela::platform
