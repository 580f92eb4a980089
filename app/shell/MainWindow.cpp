#include "shell/MainWindow.h"

#include "shell/ProcessClock.h"

#include <QCoreApplication>
#include <QEvent>
#include <QShowEvent>
#include <QTimer>
#include <cstdio>

namespace orvela::shell {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("Nuvia"));
    setMinimumSize(minimumContentSize);
    resize(defaultContentSize);
}

void MainWindow::bringForward()
{
    if (isMinimized()) {
        setWindowState(windowState() & ~Qt::WindowMinimized);
    }
    show();
    raise();
    activateWindow();
}

void MainWindow::exitAfterFirstPaint()
{
    connect(this, &MainWindow::firstPainted, this, [] {
        std::printf("first-paint-ms %.1f\n", millisecondsSinceProcessStart());
        std::fflush(stdout);
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    });
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous()) {
        emit contentShown();
    }
    if (!m_painted && centralWidget()) {
        centralWidget()->installEventFilter(this);
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_painted && event->type() == QEvent::Paint) {
        m_painted = true;
        watched->removeEventFilter(this);
        // After this paint has finished, so the figure covers the whole first frame.
        QTimer::singleShot(0, this, &MainWindow::firstPainted);
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace orvela::shell
