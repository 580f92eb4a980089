// The token kit's log lines reach Qt logging under "<subsystem>.<category>".

#include "desktop/LogBridge.h"

#include "orvela/tokenkit/Log.h"

#include <QLoggingCategory>
#include <QStringList>
#include <gtest/gtest.h>

using namespace orvela;

namespace {

QStringList captured;

void capture(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    captured
        << QStringLiteral("%1 %2: %3").arg(type).arg(QString::fromUtf8(context.category), message);
}

TEST(LogBridgeTest, TheKitsLoggersReachQtLoggingWithTheirLevelAndCategory)
{
    const QtMessageHandler previous = qInstallMessageHandler(capture);
    QLoggingCategory::setFilterRules(QStringLiteral("mn.orvela.*.info=true\n"
                                                    "mn.orvela.*.debug=false"));
    desktop::LogBridge::install();
    tokenkit::Logger("TesselDriver").error("VERIFY failed, SW 63C2");
    tokenkit::Logger("PKCS11").info("C_Sign: 64 bytes");
    tokenkit::Logger("PKCS11").debug("filtered out");
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    tokenkit::setLogSink(nullptr);
    const auto line = [](QtMsgType type, const char* text) {
        return QStringLiteral("%1 mn.orvela.token-kit.%2").arg(type).arg(QLatin1String(text));
    };
    EXPECT_EQ(captured, QStringList({line(QtCriticalMsg, "TesselDriver: VERIFY failed, SW 63C2"),
                                     line(QtInfoMsg, "PKCS11: C_Sign: 64 bytes")}));
}

} // namespace
