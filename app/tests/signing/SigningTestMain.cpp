#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

// Offscreen widgets and test-mode standard paths, so no test touches the user's Downloads
// folder or settings.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvela-signing-tests"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
