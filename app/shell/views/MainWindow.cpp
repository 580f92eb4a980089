#include "shell/views/MainWindow.h"

#include "common/AppIdentity.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHideEvent>
#include <QShortcut>
#include <QShowEvent>
#include <QTimer>

namespace orvela::shell::views {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QString::fromUtf8(common::displayName));
    setMinimumSize(minimumContentSize);
    resize(defaultContentSize);
    // Closing goes to the tray where there is one, as the window's own close button does.
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this), &QShortcut::activated, this,
            &QWidget::close);
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

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous() && !m_appearing && centralWidget()) {
        m_appearing = true;
        centralWidget()->installEventFilter(this);
    }
}

void MainWindow::hideEvent(QHideEvent* event)
{
    QMainWindow::hideEvent(event);
    // Closed before its first frame (menu-bar mode closes it at once): it still appeared.
    if (!event->spontaneous() && m_appearing) {
        appeared(false);
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (m_appearing && watched == centralWidget() && event->type() == QEvent::Paint) {
        appeared(true);
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::appeared(bool painted)
{
    m_appearing = false;
    centralWidget()->removeEventFilter(this);
    // After this frame is finished, so what the announcement starts does not delay it.
    QTimer::singleShot(0, this, [this, painted] {
        if (painted && !m_painted) {
            m_painted = true;
            emit firstPainted();
        }
        emit contentShown();
    });
}

} // namespace orvela::shell::views
