#pragma once

#include "certificates/CertificateInfo.h"

#include <QList>
#include <QString>

namespace orvela::common {
class LocalizationService;
}

namespace orvela::certificates {

enum class Validity { valid, expired, notYetValid };

/// Where `now` falls in the certificate's validity period.
Validity validityAt(const CertificateInfo& info, const QDateTime& now);

/// The report the inspector page and `orvela cert` show, in the current language; its dates as
/// every screen writes them, in the device's time zone.
struct CertificateReport {
    struct Row {
        QString label;
        QString value;
    };
    struct Section {
        QString title;
        QList<Row> rows;
    };

    Validity validity = Validity::valid;
    QString validityText;
    QList<Section> sections;
};

CertificateReport buildReport(const CertificateInfo& info,
                              const common::LocalizationService& localization,
                              const QDateTime& now);

} // namespace orvela::certificates
