#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Offscreen widgets, and a private configuration home so no test touches the user's autostart
// entries or settings.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvela-desktop-tests"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
