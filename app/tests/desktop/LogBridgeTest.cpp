// The token kit's log lines reach Qt logging under "<subsystem>.<category>".

#include "shell/LogBridge.h"

#include "orvela/tokenkit/Log.h"

#include <QList>
#include <QLoggingCategory>
#include <gtest/gtest.h>

using namespace orvela;

namespace {

struct Line {
    QtMsgType type;
    QString category;
    QString message;
};

QList<Line>& captured()
{
    static QList<Line> lines;
    return lines;
}

void capture(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    captured().append({type, QString::fromUtf8(context.category), message});
}

class LogBridgeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        captured().clear();
        m_previous = qInstallMessageHandler(capture);
        QLoggingCategory::setFilterRules(QStringLiteral("mn.orvela.*.info=true\n"
                                                        "mn.orvela.*.debug=false"));
    }
    void TearDown() override
    {
        qInstallMessageHandler(m_previous);
        QLoggingCategory::setFilterRules(QString());
        tokenkit::setLogSink(nullptr);
    }

    QtMessageHandler m_previous = nullptr;
};

TEST_F(LogBridgeTest, LevelsAndCategoriesMapOntoQtLogging)
{
    shell::LogBridge bridge;
    bridge.write("mn.orvela.token-kit", "TesselDriver", tokenkit::LogLevel::error,
                 "VERIFY failed, SW 63C2");
    bridge.write("mn.orvela.token-kit", "PKCS11", tokenkit::LogLevel::info, "C_Sign: 64 bytes");
    bridge.write("mn.orvela.token-kit", "PKCS11", tokenkit::LogLevel::debug, "filtered out");
    ASSERT_EQ(captured().size(), 2);
    EXPECT_EQ(captured().at(0).type, QtCriticalMsg);
    EXPECT_EQ(captured().at(0).category, QStringLiteral("mn.orvela.token-kit.TesselDriver"));
    EXPECT_EQ(captured().at(0).message, QStringLiteral("VERIFY failed, SW 63C2"));
    EXPECT_EQ(captured().at(1).type, QtInfoMsg);
    EXPECT_EQ(captured().at(1).category, QStringLiteral("mn.orvela.token-kit.PKCS11"));
}

TEST_F(LogBridgeTest, InstalledBridgeCarriesTheKitsOwnLoggers)
{
    shell::LogBridge::install();
    const tokenkit::Logger logger("TokenManager");
    logger.info("session opened on reader 0");
    logger.error("no card");
    ASSERT_EQ(captured().size(), 2);
    EXPECT_EQ(captured().at(0).category, QStringLiteral("mn.orvela.token-kit.TokenManager"));
    EXPECT_EQ(captured().at(0).message, QStringLiteral("session opened on reader 0"));
    EXPECT_EQ(captured().at(1).type, QtCriticalMsg);
}

} // namespace
