#include "diagnostics/SmartCardCheck.h"

#include "orvela/tokenkit/PcscError.h"
#include "orvela/tokenkit/ReaderBackend.h"
#include "orvela/tokenkit/TesselDriver.h"
#include "orvela/tokenkit/TokenError.h"

#include <QStandardPaths>

namespace orvela::diagnostics {

namespace {

using tokenkit::PcscError;
using tokenkit::TokenError;

QString pcscCode(const PcscError& error)
{
    return QStringLiteral("%1 0x%2")
        .arg(QString::fromStdString(error.call()))
        .arg(error.code(), 8, 16, QLatin1Char('0'));
}

/// One reader's line, and whether a Tessel token answered in it.
bool readReader(tokenkit::ReaderBackend& readers, const std::string& name, Check& check)
{
    const QString reader = QString::fromStdString(name);
    try {
        auto session = readers.connect(name);
        const tokenkit::TokenInfo info = tokenkit::TesselDriver().getTokenInfo(*session);
        check.addWord(QStringLiteral("Diag_Fact_Reader"), QStringLiteral("Diag_Value_CardIn"),
                      reader);
        check.add(QStringLiteral("Diag_Fact_Atr"), QString::fromStdString(info.atrHex()));
        if (!info.appletSelected) {
            check.addWord(QStringLiteral("Diag_Fact_Token"),
                          QStringLiteral("Diag_Value_NotTessel"));
            return false;
        }
        check.add(QStringLiteral("Diag_Fact_Token"), QString::fromStdString(info.label));
        check.addWord(QStringLiteral("Diag_Fact_Fips"), info.isFIPS
                                                            ? QStringLiteral("Diag_Value_Yes")
                                                            : QStringLiteral("Diag_Value_No"));
        return true;
    } catch (const TokenError&) {
        check.addWord(QStringLiteral("Diag_Fact_Reader"), QStringLiteral("Diag_Value_Empty"),
                      reader);
    } catch (const PcscError& error) {
        const bool busy = error.code() == PcscError::sharingViolation;
        check.addWord(QStringLiteral("Diag_Fact_Reader"),
                      busy ? QStringLiteral("Diag_Value_InUse")
                           : QStringLiteral("Diag_Value_Failed"),
                      busy ? reader : reader + QStringLiteral(" (") + pcscCode(error) + u')');
    }
    return false;
}

} // namespace

Check smartCardCheck(tokenkit::ReaderBackend& readers, const QStringList& serviceProgramDirs)
{
    Check check{QStringLiteral("smartCard"), QStringLiteral("Diag_SmartCard_Title")};
    std::vector<std::string> names;
    try {
        names = readers.listReaders();
    } catch (const TokenError&) {
        // The kit says "no reader connected" when the service itself does not answer.
        const bool installed =
            !QStandardPaths::findExecutable(QStringLiteral("pcscd"), serviceProgramDirs).isEmpty();
        check.addWord(QStringLiteral("Diag_Fact_Service"),
                      installed ? QStringLiteral("Diag_Value_NotRunning")
                                : QStringLiteral("Diag_Value_NotInstalled"));
        check.judge(Verdict::problem,
                    installed ? QStringLiteral("Diag_SmartCard_NotRunning")
                              : QStringLiteral("Diag_SmartCard_NotInstalled"),
                    installed ? QStringLiteral("Diag_SmartCard_NotRunning_Advice")
                              : QStringLiteral("Diag_SmartCard_NotInstalled_Advice"));
        return check;
    } catch (const PcscError& error) {
        check.addWord(QStringLiteral("Diag_Fact_Service"), QStringLiteral("Diag_Value_Failed"),
                      pcscCode(error));
        check.judge(Verdict::problem, QStringLiteral("Diag_SmartCard_Failed"),
                    QStringLiteral("Diag_SmartCard_NotRunning_Advice"));
        return check;
    }
    check.addWord(QStringLiteral("Diag_Fact_Service"), QStringLiteral("Diag_Value_Running"));
    if (names.empty()) {
        check.judge(Verdict::warning, QStringLiteral("Diag_SmartCard_NoReader"),
                    QStringLiteral("Diag_SmartCard_NoReader_Advice"));
        return check;
    }
    bool anyToken = false;
    for (const std::string& name : names) {
        anyToken = readReader(readers, name, check) || anyToken;
    }
    if (anyToken) {
        check.judge(Verdict::fine, QStringLiteral("Diag_SmartCard_Fine"));
    } else {
        check.judge(Verdict::warning, QStringLiteral("Diag_SmartCard_NoToken"),
                    QStringLiteral("Diag_SmartCard_NoToken_Advice"));
    }
    return check;
}

} // namespace orvela::diagnostics
