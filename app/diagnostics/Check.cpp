#include "diagnostics/Check.h"

namespace orvela::diagnostics {

QString verdictName(Verdict verdict)
{
    switch (verdict) {
    case Verdict::pending:
        return QStringLiteral("pending");
    case Verdict::fine:
        return QStringLiteral("fine");
    case Verdict::warning:
        return QStringLiteral("warning");
    case Verdict::problem:
        break;
    }
    return QStringLiteral("problem");
}

void Check::judge(Verdict outcome, const QString& summary, const QString& advice)
{
    if (verdict != Verdict::pending && outcome <= verdict) {
        return;
    }
    verdict = outcome;
    summaryKey = summary;
    adviceKey = advice;
}

QString maskIdentifier(const QString& identifier)
{
    const qsizetype length = identifier.size();
    if (length <= 4) {
        return QString(length, u'*');
    }
    return identifier.left(2) + QString(length - 4, u'*') + identifier.right(2);
}

} // namespace orvela::diagnostics
