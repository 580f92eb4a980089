#pragma once

#include "common/AppLanguage.h"
#include "diagnostics/Check.h"

#include <QJsonObject>

namespace orvela::diagnostics {

/// The report as plain text in `language`: one block per check with its verdict, summary,
/// advice and facts. Outside text is kept as it is; a terminal caller escapes it.
QString reportText(const QList<Check>& checks, common::AppLanguage language);

/// The report as JSON: {"checks": [{"id", "verdict", "timedOut", "title", "summary", "advice",
/// "facts": [{"name", "label", "value"}]}]}, texts in `language`.
QJsonObject reportJson(const QList<Check>& checks, common::AppLanguage language);

/// A fact's value as shown: the value key's text followed by the plain value.
QString factText(const Fact& fact, common::AppLanguage language);

/// The verdict's word in `language`.
QString verdictText(Verdict verdict, common::AppLanguage language);

} // namespace orvela::diagnostics
