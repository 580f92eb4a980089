#include "Screenshot.h"

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <QWidget>

namespace orvela::testing {

QString saveScreenshot(QWidget& widget, const QString& name)
{
    if (!widget.isVisible()) {
        widget.show();
    }
    // Lets pending layout requests and style polish run before the picture is taken; nested
    // layouts whose height depends on their width settle over a few rounds.
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::processEvents();
    }
    const QDir dir(QStringLiteral(ORVELA_SCREENSHOT_DIR));
    if (!dir.mkpath(QStringLiteral("."))) {
        return {};
    }
    const QString path = dir.filePath(name + QStringLiteral(".png"));
    return widget.grab().save(path, "PNG") ? path : QString();
}

} // namespace orvela::testing
