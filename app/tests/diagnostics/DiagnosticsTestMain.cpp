#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>

namespace orvela::diagtest {
int runRowChild();
}

// Either one row's report, run by the table in a process of its own, or the suite itself with
// offscreen widgets and private configuration homes.
int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--row-child") == 0) {
        QCoreApplication app(argc, argv);
        return orvela::diagtest::runRowChild();
    }
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
