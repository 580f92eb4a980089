#pragma once

#include "common/AppLanguage.h"
#include "tokens/TokenFailure.h"

#include <QObject>
#include <QString>
#include <optional>

namespace orvela::tokens {

/// What one administration action shows: whether it runs, and its last message, which is an
/// error (shown in the error colour) or not. A token failure is kept as the typed value and
/// worded only when it is shown, so that a language switch words it again.
class AdminActionState : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isBusy READ isBusy NOTIFY changed)
    Q_PROPERTY(bool isError READ isError NOTIFY changed)

public:
    using QObject::QObject;

    bool isBusy() const { return m_isBusy; }
    /// The last progress, success or non-token error text; empty after a token failure.
    const QString& message() const { return m_message; }
    /// The last token failure; none after a success or while busy.
    const std::optional<TokenFailure>& failure() const { return m_failure; }
    bool isError() const { return m_isError; }
    /// The message, or the token failure worded in `language`.
    QString shownText(common::AppLanguage language) const;

    /// Busy, with `progress` (or no message) in place of the last one.
    void start(const QString& progress = QString());
    /// Not busy; `text` shown as a success.
    void succeed(const QString& text);
    /// Not busy; `text` shown as an error.
    void fail(const QString& text);
    /// Not busy; the token failure shown as an error.
    void fail(const TokenFailure& failure);

signals:
    void changed();

private:
    void set(bool busy, const QString& message, bool error);

    bool m_isBusy = false;
    QString m_message;
    std::optional<TokenFailure> m_failure;
    bool m_isError = false;
};

} // namespace orvela::tokens
