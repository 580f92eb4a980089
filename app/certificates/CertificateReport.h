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

/// Validity dates as the report shows them: "yyyy-MM-dd HH:mm:ss" and the short GMT offset,
/// in Ulaanbaatar time (the system's zone where that zone is unknown).
QString formatReportDate(const QDateTime& when);

/// The report the inspector page and `orvela cert` show, in the current language.
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
