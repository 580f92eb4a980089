#pragma once

#include <QObject>
#include <QString>

namespace orvela::tokens {

/// What one administration action shows: whether it runs, and its last message, which is an
/// error (shown in the error colour) or not.
class AdminActionState : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isBusy READ isBusy NOTIFY changed)
    Q_PROPERTY(QString message READ message NOTIFY changed)
    Q_PROPERTY(bool isError READ isError NOTIFY changed)

public:
    using QObject::QObject;

    bool isBusy() const { return m_isBusy; }
    const QString& message() const { return m_message; }
    bool isError() const { return m_isError; }

    /// Busy, with `progress` (or no message) in place of the last one.
    void start(const QString& progress = QString());
    /// Not busy; `text` shown as a success.
    void succeed(const QString& text);
    /// Not busy; `text` shown as an error.
    void fail(const QString& text);

signals:
    void changed();

private:
    void set(bool busy, const QString& message, bool error);

    bool m_isBusy = false;
    QString m_message;
    bool m_isError = false;
};

} // namespace orvela::tokens
