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

TEST_F(LogBridgeTest, TheKitsLoggersReachQtLoggingWithTheirLevelAndCategory)
{
    shell::LogBridge::install();
    tokenkit::Logger("TesselDriver").error("VERIFY failed, SW 63C2");
    tokenkit::Logger("PKCS11").info("C_Sign: 64 bytes");
    tokenkit::Logger("PKCS11").debug("filtered out");
    ASSERT_EQ(captured().size(), 2);
    EXPECT_EQ(captured().at(0).type, QtCriticalMsg);
    EXPECT_EQ(captured().at(0).category, QStringLiteral("mn.orvela.token-kit.TesselDriver"));
    EXPECT_EQ(captured().at(0).message, QStringLiteral("VERIFY failed, SW 63C2"));
    EXPECT_EQ(captured().at(1).type, QtInfoMsg);
    EXPECT_EQ(captured().at(1).category, QStringLiteral("mn.orvela.token-kit.PKCS11"));
}

} // namespace
