#include "commands/VerifyCommand.h"

#include "CliLocalization.h"
#include "CliOutput.h"
#include "commands/VerifyReport.h"
#include "common/LocalInput.h"
#include "signing/PdfSignatureVerifier.h"
#include "signing/SignatureTexts.h"
#include "signing/TrustSettings.h"

#include <QSettings>

namespace orvela::cli {

namespace {

using signing::PdfSignatureReport;
using signing::Verdict;

int exitStatus(const PdfSignatureReport& report)
{
    if (report.input) {
        return 1;
    }
    switch (report.verdict) {
    case Verdict::valid:
        return 0;
    case Verdict::notTrusted:
        return verifyExit::notTrusted;
    case Verdict::changed:
        return verifyExit::changed;
    case Verdict::invalid:
        break;
    }
    return verifyExit::invalid;
}

/// The --trust bundle, or a message saying why it cannot be used.
std::variant<QByteArray, QString> trustBundle(const CliContext& context)
{
    if (!context.isSet(QStringLiteral("trust"))) {
        return QByteArray();
    }
    common::LocalInput input = common::readLocalFile(context.value(QStringLiteral("trust")),
                                                     common::inputLimit::certificate);
    if (const auto* error = std::get_if<common::LocalInputError>(&input)) {
        return common::localInputMessage(*error, context.language);
    }
    QByteArray pem = std::get<QByteArray>(input);
    if (!pem.contains("-----BEGIN CERTIFICATE-----")) {
        return cliText("Cli_Verify_TrustEmpty");
    }
    return pem;
}

} // namespace

int runVerify(CliContext& context)
{
    const auto trust = trustBundle(context);
    if (const auto* message = std::get_if<QString>(&trust)) {
        return fail(context.json, *message);
    }
    // Whom the desktop trusts (the system and the configured bundle), and --trust besides.
    const QSettings settings;
    const signing::VerifyOptions options =
        signing::configuredTrust(settings, std::get<QByteArray>(trust));
    const PdfSignatureReport report =
        signing::verifyPdfFile(context.positionals.constFirst(), options);
    if (report.input) {
        return fail(context.json, common::localInputMessage(*report.input, context.language),
                    signing::problemName(report.problem));
    }
    if (context.json) {
        printJson(verifyReportJson(report));
    } else {
        printText(verifyReportText(report, cliLocalization()));
    }
    return exitStatus(report);
}

} // namespace orvela::cli
