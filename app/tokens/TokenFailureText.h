#pragma once

#include "common/AppLanguage.h"
#include "tokens/TokenFailure.h"

#include <QString>

namespace orvela::tokens {

/// Whom the advice addresses: the windows ("generate a signing key") or the command line
/// (names the `orvela` command that does it).
enum class HintWording { desktop, commandLine };

/// A failure in words, from the one table both the windows and `orvela` read.
struct TokenFailureWords {
    /// What happened, as a person says it ("Wrong PIN. 8 tries left.").
    QString what;
    /// What to do about it; empty when there is nothing a person can do.
    QString advice;
    /// The step, the return code and the lower layer's words; empty when there are none.
    QString detail;
};

/// `failure` worded in `language`. Call it when the text is shown, so that a language switch
/// words it again.
TokenFailureWords tokenFailureWords(const TokenFailure& failure, common::AppLanguage language,
                                    HintWording wording = HintWording::desktop);

/// The whole sentence as a screen or the command line shows it: what happened, what to do,
/// then the detail in parentheses.
QString tokenFailureText(const TokenFailure& failure, common::AppLanguage language,
                         HintWording wording = HintWording::desktop);

} // namespace orvela::tokens
