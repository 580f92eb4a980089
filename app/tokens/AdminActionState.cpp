#include "tokens/AdminActionState.h"

#include "common/LocalizationService.h"
#include "tokens/TokenFailureText.h"

namespace orvela::tokens {

QString AdminActionState::shownText(const common::LocalizationService& localization) const
{
    return m_failure ? tokenFailureText(*m_failure, localization.language())
                     : localization.localized(m_message);
}

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

void AdminActionState::fail(const TokenFailure& failure)
{
    m_isBusy = false;
    m_message = {};
    m_failure = failure;
    m_isError = true;
    emit changed();
}

void AdminActionState::set(bool busy, const common::KeyedText& message, bool error)
{
    m_isBusy = busy;
    m_message = message;
    m_failure.reset();
    m_isError = error;
    emit changed();
}

} // namespace orvela::tokens
