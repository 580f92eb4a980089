#include "tokens/AdminActionState.h"

namespace orvela::tokens {

void AdminActionState::start(const common::KeyedText& progress)
{
    set(true, progress, false);
}

void AdminActionState::succeed(const common::KeyedText& text)
{
    set(false, text, false);
}

void AdminActionState::fail(const common::KeyedText& text)
{
    set(false, text, true);
}

void AdminActionState::fail(const QString& text)
{
    set(false, {QString(), text}, true);
}

void AdminActionState::set(bool busy, const common::KeyedText& message, bool error)
{
    m_isBusy = busy;
    m_message = message;
    m_isError = error;
    emit changed();
}

} // namespace orvela::tokens
