#include "diagnostics/Report.h"

#include "common/LocalizationTables.h"

#include <QJsonArray>

namespace orvela::diagnostics {

namespace {

QString textOf(const QString& key, common::AppLanguage language)
{
    return key.isEmpty() ? QString() : common::builtInText(key, language);
}

} // namespace

QString verdictText(Verdict verdict, common::AppLanguage language)
{
    switch (verdict) {
    case Verdict::pending:
        return textOf(QStringLiteral("Diag_Verdict_Pending"), language);
    case Verdict::fine:
        return textOf(QStringLiteral("Diag_Verdict_Fine"), language);
    case Verdict::warning:
        return textOf(QStringLiteral("Diag_Verdict_Warning"), language);
    case Verdict::problem:
        break;
    }
    return textOf(QStringLiteral("Diag_Verdict_Problem"), language);
}

QString factText(const Fact& fact, common::AppLanguage language)
{
    const QString word = textOf(fact.valueKey, language);
    if (word.isEmpty()) {
        return fact.value.isEmpty() ? QStringLiteral("—") : fact.value;
    }
    return fact.value.isEmpty() ? word : word + u' ' + fact.value;
}

QString reportText(const QList<Check>& checks, common::AppLanguage language)
{
    QString out;
    for (const Check& check : checks) {
        out += QStringLiteral("[%1] %2\n")
                   .arg(verdictText(check.verdict, language), textOf(check.titleKey, language));
        if (!check.summaryKey.isEmpty()) {
            out += QStringLiteral("  %1\n").arg(textOf(check.summaryKey, language));
        }
        if (!check.adviceKey.isEmpty()) {
            out += QStringLiteral("  → %1\n").arg(textOf(check.adviceKey, language));
        }
        for (const Fact& fact : check.facts) {
            out += QStringLiteral("    %1: %2\n")
                       .arg(textOf(fact.labelKey, language), factText(fact, language));
        }
        out += u'\n';
    }
    return out;
}

QJsonObject reportJson(const QList<Check>& checks, common::AppLanguage language)
{
    QJsonArray list;
    for (const Check& check : checks) {
        QJsonArray facts;
        for (const Fact& fact : check.facts) {
            facts.append(QJsonObject{{QStringLiteral("name"), fact.labelKey},
                                     {QStringLiteral("label"), textOf(fact.labelKey, language)},
                                     {QStringLiteral("value"), factText(fact, language)}});
        }
        list.append(QJsonObject{{QStringLiteral("id"), check.id},
                                {QStringLiteral("verdict"), verdictName(check.verdict)},
                                {QStringLiteral("timedOut"), check.timedOut},
                                {QStringLiteral("title"), textOf(check.titleKey, language)},
                                {QStringLiteral("summary"), textOf(check.summaryKey, language)},
                                {QStringLiteral("advice"), textOf(check.adviceKey, language)},
                                {QStringLiteral("facts"), facts}});
    }
    return QJsonObject{{QStringLiteral("checks"), list}};
}

} // namespace orvela::diagnostics
