// The yardsticks of the start-up figure: a bare Qt Widgets window of the main window's size,
// started the same way and printing the same line at its first paint; with --with-text it
// shows one line of text, and built as bench-bare-window-linked it also loads every shared
// library the program loads. Together they show what text and libraries alone cost.

#include "desktop/ProcessClock.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>

namespace {

class BareWindow : public QWidget {
protected:
    void paintEvent(QPaintEvent* event) override
    {
        QWidget::paintEvent(event);
        if (!m_painted) {
            m_painted = true;
            QTimer::singleShot(0, this, [] {
                std::printf("first-paint-ms %.1f\n",
                            orvela::desktop::millisecondsSinceProcessStart());
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
    }

private:
    bool m_painted = false;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    BareWindow window;
    if (QCoreApplication::arguments().contains(QStringLiteral("--with-text"))) {
        (new QVBoxLayout(&window))->addWidget(new QLabel(QStringLiteral("Nuvia")));
    }
    window.resize(860, 620);
    window.show();
    return QApplication::exec();
}
