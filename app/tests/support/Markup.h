#pragma once

#include <QLabel>
#include <QTextDocument>
#include <QWidget>

namespace orvela::testing {

/// Labels under `root` whose text holds `marker` and that Qt would draw as markup: QLabel's
/// default format guesses rich text from the text itself, so a "<b>" from outside would bold,
/// hide or link instead of showing.
inline QList<QLabel*> labelsDrawingMarkup(const QWidget& root, const QString& marker)
{
    QList<QLabel*> found;
    for (QLabel* label : root.findChildren<QLabel*>()) {
        const bool rich =
            label->textFormat() == Qt::RichText ||
            (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
        if (label->text().contains(marker) && rich) {
            found << label;
        }
    }
    return found;
}

/// How many labels under `root` show `marker` at all, so a check of none drawing markup is
/// known to have looked at something.
inline qsizetype labelsShowing(const QWidget& root, const QString& marker)
{
    qsizetype count = 0;
    for (const QLabel* label : root.findChildren<QLabel*>()) {
        count += label->text().contains(marker) ? 1 : 0;
    }
    return count;
}

} // namespace orvela::testing
