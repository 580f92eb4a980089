#pragma once

#include "components/Style.h"

#include <QColor>
#include <QString>

class QLabel;
class QProgressBar;
class QWidget;

namespace orvela::components {

/// The size of a page's leading symbol (a phone, a check mark).
inline constexpr int pageSymbolSize = 48;

/// A symbol drawn once in a fixed colour, centred.
QLabel* symbolLabel(const QString& symbol, const QColor& color, int size = pageSymbolSize,
                    QWidget* parent = nullptr);
/// A symbol in a tone's colour, redrawn when the theme changes, centred.
QLabel* toneSymbolLabel(const QString& symbol, Tone tone, int size = pageSymbolSize,
                        QWidget* parent = nullptr);
/// A small symbol in the theme's icon colour, redrawn when the theme changes, centred.
QLabel* themedSymbolLabel(const QString& symbol, int size, QWidget* parent = nullptr);
/// A label whose text wraps.
QLabel* wrappedLabel(QWidget* parent = nullptr);
/// A thin bar that moves without an end: work under way for an unknown time.
QProgressBar* busyBar(QWidget* parent = nullptr);

} // namespace orvela::components
