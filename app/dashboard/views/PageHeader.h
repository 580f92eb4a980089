#pragma once

#include <QWidget>

class QLabel;

namespace orvela::dashboard::views {

/// The title and subtitle at the top of every account page.
class PageHeader : public QWidget {
    Q_OBJECT

public:
    PageHeader(const QString& title, const QString& subtitle, QWidget* parent = nullptr);

    QString title() const;
    QString subtitle() const;

private:
    QLabel* m_title;
    QLabel* m_subtitle;
};

} // namespace orvela::dashboard::views
