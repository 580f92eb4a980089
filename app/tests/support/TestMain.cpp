#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Offscreen widgets and private configuration, data and cache homes, so no test touches the
// user's settings, autostart entries or profile.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
        qputenv(name, home.filePath(QString::fromLatin1(name)).toUtf8());
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QFileInfo(QString::fromLocal8Bit(argv[0])).fileName());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
