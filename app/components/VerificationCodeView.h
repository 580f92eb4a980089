#pragma once

#include <QWidget>

class QHBoxLayout;
class QLabel;

namespace orvela::components {

/// The verification code shown during phone approval, one outlined box per character, so the
/// user can compare it with the phone at a glance.
class VerificationCodeView : public QWidget {
    Q_OBJECT

public:
    explicit VerificationCodeView(QWidget* parent = nullptr);

    /// Replaces the boxes with one per character of `code`; an empty code shows no box.
    void setCode(const QString& code);
    QString code() const { return m_code; }

    /// The characters as the boxes show them, left to right.
    QStringList boxTexts() const;

private:
    QString m_code;
    QHBoxLayout* m_layout;
    QList<QLabel*> m_boxes;
};

} // namespace orvela::components
