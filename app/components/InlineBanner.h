#pragma once

#include "components/Style.h"

#include <QFrame>

class QLabel;

namespace orvela::components {

/// A one-message strip inside a screen: an icon and a wrapped text on a tinted background.
class InlineBanner : public QFrame {
    Q_OBJECT

public:
    enum class Kind { info, success, warning, error };
    Q_ENUM(Kind)

    explicit InlineBanner(Kind kind = Kind::info, const QString& text = QString(),
                          QWidget* parent = nullptr);

    void setKind(Kind kind);
    Kind kind() const { return m_kind; }

    void setText(const QString& text);
    QString text() const;

    /// The tone and symbol a kind is drawn with.
    static Tone toneOf(Kind kind);
    static QString symbolOf(Kind kind);

private:
    void applyKind();

    Kind m_kind;
    QLabel* m_icon;
    QLabel* m_text;
};

} // namespace orvela::components
