#pragma once

#include "signing/PdfSignatureReport.h"

#include <QJsonObject>
#include <QString>

namespace orvela::common {
class LocalizationService;
}

namespace orvela::cli {

/// The report as lines in the interface language; texts from the file are made inert.
QString verifyReportText(const signing::PdfSignatureReport& report,
                         const common::LocalizationService& texts);

/// The report as one JSON document, with stable words for verdicts, reasons and changes.
QJsonObject verifyReportJson(const signing::PdfSignatureReport& report);

} // namespace orvela::cli
