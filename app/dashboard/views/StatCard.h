#pragma once

#include "components/Card.h"

class QLabel;

namespace orvela::dashboard::views {

/// A statistic of an account page: a caption above a large value.
class StatCard : public components::Card {
    Q_OBJECT

public:
    StatCard(const QString& caption, const QString& value, QWidget* parent = nullptr);

    QString caption() const;
    QString value() const;

private:
    QLabel* m_caption;
    QLabel* m_value;
};

} // namespace orvela::dashboard::views
