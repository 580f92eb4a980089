#include "diagnostics/LocalChecks.h"

#include "common/SettingsFile.h"

#include <PCSC/pcsclite.h>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <openssl/crypto.h>

namespace orvela::diagnostics {

namespace {

/// PRETTY_NAME of an os-release file, unquoted; empty when there is none.
QString prettyName(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    // A few KiB at most; more is not an os-release file.
    const QList<QByteArray> lines = file.read(64 * 1024).split('\n');
    for (const QByteArray& line : lines) {
        if (line.startsWith("PRETTY_NAME=")) {
            QByteArray value = line.mid(12).trimmed();
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')) {
                value = value.mid(1, value.size() - 2);
            }
            return QString::fromUtf8(value);
        }
    }
    return {};
}

QString sessionKind()
{
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty()) {
        return QStringLiteral("Wayland");
    }
    if (!env.value(QStringLiteral("DISPLAY")).isEmpty()) {
        return QStringLiteral("X11");
    }
    return {};
}

} // namespace

Check programCheck(const DiagnosticsEnvironment& environment)
{
    Check check{QStringLiteral("program"), QStringLiteral("Diag_Program_Title")};
    check.add(QStringLiteral("Diag_Fact_Version"), environment.version);
    check.add(QStringLiteral("Diag_Fact_Build"), environment.build);
    check.add(QStringLiteral("Diag_Fact_Qt"), QString::fromLatin1(qVersion()));
    check.add(QStringLiteral("Diag_Fact_OpenSsl"),
              QString::fromLatin1(OpenSSL_version(OPENSSL_VERSION)));
    check.add(QStringLiteral("Diag_Fact_PcscLite"), QStringLiteral(PCSCLITE_VERSION_NUMBER));
    check.judge(Verdict::fine, QStringLiteral("Diag_Program_Fine"));
    return check;
}

Check systemCheck(const DiagnosticsEnvironment& environment, const QString& osRelease)
{
    Check check{QStringLiteral("system"), QStringLiteral("Diag_System_Title")};
    check.add(QStringLiteral("Diag_Fact_System"), prettyName(osRelease));
    const QString session = sessionKind();
    if (session.isEmpty()) {
        check.addWord(QStringLiteral("Diag_Fact_Session"), QStringLiteral("Diag_Value_NoDisplay"));
    } else {
        check.add(QStringLiteral("Diag_Fact_Session"), session);
    }
    if (environment.trayAvailable.has_value()) {
        check.addWord(QStringLiteral("Diag_Fact_Tray"), *environment.trayAvailable
                                                            ? QStringLiteral("Diag_Value_Yes")
                                                            : QStringLiteral("Diag_Value_No"));
    } else {
        check.addWord(QStringLiteral("Diag_Fact_Tray"), QStringLiteral("Diag_Value_Unknown"));
    }
    check.judge(Verdict::fine, QStringLiteral("Diag_System_Fine"));
    if (environment.trayAvailable == false) {
        check.judge(Verdict::warning, QStringLiteral("Diag_System_NoTray"),
                    QStringLiteral("Diag_System_NoTray_Advice"));
    }
    return check;
}

Check languageCheck(const DiagnosticsEnvironment& environment)
{
    Check check{QStringLiteral("language"), QStringLiteral("Diag_Language_Title")};
    check.addWord(QStringLiteral("Diag_Fact_Language"),
                  environment.language == common::AppLanguage::en
                      ? QStringLiteral("Diag_Value_English")
                      : QStringLiteral("Diag_Value_Mongolian"));
    check.judge(Verdict::fine, QStringLiteral("Diag_Language_Fine"));
    return check;
}

Check settingsCheck(const DiagnosticsEnvironment& environment)
{
    Check check{QStringLiteral("settings"), QStringLiteral("Diag_Settings_Title")};
    check.add(QStringLiteral("Diag_Fact_Path"), environment.settingsPath);
    if (!common::isUsableSettingsFile(environment.settingsPath)) {
        check.judge(Verdict::problem, QStringLiteral("Diag_Settings_NotRegular"),
                    QStringLiteral("Diag_Settings_NotRegular_Advice"));
    } else if (!QFileInfo::exists(environment.settingsPath)) {
        check.judge(Verdict::fine, QStringLiteral("Diag_Settings_NotYet"));
    } else {
        check.judge(Verdict::fine, QStringLiteral("Diag_Settings_Fine"));
    }
    return check;
}

} // namespace orvela::diagnostics
