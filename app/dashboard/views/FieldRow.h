#pragma once

#include <QWidget>

class QLabel;

namespace orvela::dashboard::views {

/// One labelled value of an account page: the label on the left, the value on the right.
class FieldRow : public QWidget {
    Q_OBJECT

public:
    FieldRow(const QString& label, const QString& value, QWidget* parent = nullptr);

    QString label() const;
    QString value() const;

private:
    QLabel* m_label;
    QLabel* m_value;
};

} // namespace orvela::dashboard::views
