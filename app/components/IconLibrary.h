#pragma once

#include "components/Style.h"

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

class QLabel;

namespace orvela::components {

/// Icons by the symbol names the screens use ("lock.shield", "checkmark.seal.fill", ...). Each
/// symbol maps to freedesktop theme icons, tried in order; when the desktop theme has none of
/// them, the drawing shipped inside the program is used, so a symbol never shows as blank.
class IconLibrary {
public:
    /// The icon for `symbol`: a theme icon when the current theme has one, else the shipped
    /// drawing; an unknown symbol gets the shipped question-mark drawing.
    static QIcon icon(const QString& symbol);

    /// The shipped drawing alone, ignoring the desktop theme.
    static QIcon fallbackIcon(const QString& symbol);

    /// The shipped drawing recoloured to `color`, for icons tinted by meaning.
    static QPixmap tinted(const QString& symbol, const QColor& color, int size);

    /// Shows `symbol` on `label` in `tone`'s colour (the theme's icon colour for
    /// Tone::neutral), drawn again whenever the theme changes: a colour fixed when the label is
    /// made stays the old theme's after a switch, and one colour is unreadable on the other theme.
    static void showThemed(QLabel* label, const QString& symbol, int size,
                           Tone tone = Tone::neutral);

    /// Theme icon names tried for `symbol`, best first; empty for an unknown symbol.
    static QStringList themeNames(const QString& symbol);

    /// Every symbol with a mapping and a shipped drawing.
    static QStringList knownSymbols();

    /// Resource path of the shipped drawing of `symbol`.
    static QString fallbackPath(const QString& symbol);
};

} // namespace orvela::components
