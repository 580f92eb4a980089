#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace orvela::backendsim {

/// One request exactly as the simulator received it.
struct RecordedRequest {
    QByteArray method;
    QString path;
    QByteArray rawQuery;                          ///< as sent, still percent-encoded
    QList<QPair<QString, QString>> query;         ///< decoded, in order
    QList<QPair<QByteArray, QByteArray>> headers; ///< in order, names as sent
    QByteArray body;
    quint16 peerPort = 0; ///< the client's port: equal ports mean one reused connection

    /// The first header of that name (case-insensitive); empty when absent.
    QByteArray header(const QByteArray& name) const;
    bool hasHeader(const QByteArray& name) const;
};

} // namespace orvela::backendsim
