#pragma once

#include <QFrame>

class QLabel;
class QVBoxLayout;

namespace orvela::components {

/// A rounded panel on the window's base colour holding one group of content, with an optional
/// title above it.
class Card : public QFrame {
    Q_OBJECT

public:
    explicit Card(QWidget* parent = nullptr);
    explicit Card(const QString& title, QWidget* parent = nullptr);

    /// An empty title hides the title line.
    void setTitle(const QString& title);
    QString title() const;

    /// Where the card's content goes, below the title.
    QVBoxLayout* contentLayout() const { return m_content; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* m_title;
    QVBoxLayout* m_content;
};

} // namespace orvela::components
