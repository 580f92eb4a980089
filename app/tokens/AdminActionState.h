#pragma once

#include "common/KeyedText.h"
#include "tokens/TokenFailure.h"

#include <QObject>
#include <QString>
#include <optional>

namespace orvela::common {
class LocalizationService;
}

namespace orvela::tokens {

/// What one administration action shows: whether it runs, and its last message, which is an
/// error (shown in the error colour) or not. Messages are kept by key and a token failure as the
/// typed value; the screen words them when it shows them, so that a language switch words them
/// again.
class AdminActionState : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isBusy READ isBusy NOTIFY changed)
    Q_PROPERTY(bool isError READ isError NOTIFY changed)

public:
    using QObject::QObject;

    bool isBusy() const { return m_isBusy; }
    /// The last progress, success or non-token error text; empty after a token failure.
    const common::KeyedText& message() const { return m_message; }
    /// The last token failure; none after a success or while busy.
    const std::optional<TokenFailure>& failure() const { return m_failure; }
    bool isError() const { return m_isError; }
    /// The message, or the token failure, worded in the interface language of the moment.
    QString shownText(const common::LocalizationService& localization) const;

    /// Busy, with `progress` (or no message) in place of the last one.
    void start(const common::KeyedText& progress = {});
    /// Not busy; `text` shown as a success.
    void succeed(const common::KeyedText& text);
    /// Not busy; `text` shown as an error.
    void fail(const common::KeyedText& text);
    /// Not busy; the token failure shown as an error.
    void fail(const TokenFailure& failure);

signals:
    void changed();

private:
    void set(bool busy, const common::KeyedText& message, bool error);

    bool m_isBusy = false;
    common::KeyedText m_message;
    std::optional<TokenFailure> m_failure;
    bool m_isError = false;
};

} // namespace orvela::tokens
