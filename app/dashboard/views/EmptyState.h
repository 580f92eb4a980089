#pragma once

#include <QWidget>

namespace orvela::dashboard::views {

/// What a list page shows when it has nothing to list: an icon, a title and an optional line.
class EmptyState : public QWidget {
    Q_OBJECT

public:
    EmptyState(const QString& symbol, const QString& title, const QString& message = {},
               QWidget* parent = nullptr);
};

} // namespace orvela::dashboard::views
