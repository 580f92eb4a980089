#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Offscreen widgets and private configuration and data homes, so nothing here touches the
// user's settings, autostart entries or demo profile.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvela-desktop-tests"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
