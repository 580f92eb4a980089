#pragma once

#include "common/KeyedText.h"

#include <QObject>
#include <QString>

namespace orvela::tokens {

/// What one administration action shows: whether it runs, and its last message, which is an
/// error (shown in the error colour) or not. Messages are kept by key; the screen words them.
class AdminActionState : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isBusy READ isBusy NOTIFY changed)
    Q_PROPERTY(bool isError READ isError NOTIFY changed)

public:
    using QObject::QObject;

    bool isBusy() const { return m_isBusy; }
    const common::KeyedText& message() const { return m_message; }
    bool isError() const { return m_isError; }

    /// Busy, with `progress` (or no message) in place of the last one.
    void start(const common::KeyedText& progress = {});
    /// Not busy; `text` shown as a success.
    void succeed(const common::KeyedText& text);
    /// Not busy; `text` shown as an error.
    void fail(const common::KeyedText& text);
    /// Not busy; a lower layer's message shown as an error as it is.
    void fail(const QString& text);

signals:
    void changed();

private:
    void set(bool busy, const common::KeyedText& message, bool error);

    bool m_isBusy = false;
    common::KeyedText m_message;
    bool m_isError = false;
};

} // namespace orvela::tokens
