#include "tokens/AdminActionState.h"

#include "tokens/TokenFailureText.h"

namespace orvela::tokens {

QString AdminActionState::shownText(common::AppLanguage language) const
{
    return m_failure ? tokenFailureText(*m_failure, language) : m_message;
}

void AdminActionState::start(const QString& progress)
{
    set(true, progress, false);
}

void AdminActionState::succeed(const QString& text)
{
    set(false, text, false);
}

void AdminActionState::fail(const QString& text)
{
    set(false, text, true);
}

void AdminActionState::fail(const TokenFailure& failure)
{
    m_isBusy = false;
    m_message.clear();
    m_failure = failure;
    m_isError = true;
    emit changed();
}

void AdminActionState::set(bool busy, const QString& message, bool error)
{
    m_isBusy = busy;
    m_message = message;
    m_failure.reset();
    m_isError = error;
    emit changed();
}

} // namespace orvela::tokens
