#pragma once

#include <QList>
#include <QString>

namespace orvela::diagnostics {

/// How a check came out. `pending` only while it runs.
enum class Verdict { pending, fine, warning, problem };

/// The verdict as JSON writes it: "pending", "fine", "warning", "problem".
QString verdictName(Verdict verdict);

/// One line of a check: a label (a text key), and a value that is either plain text from the
/// system (versions, paths, names) or, when `valueKey` is set, that key's text followed by the
/// plain value.
struct Fact {
    QString labelKey;
    QString value;
    QString valueKey = {};
};

/// One check of the report. Texts are keys, worded only when the report is written, so the same
/// result reads in either language.
struct Check {
    Check() = default;
    Check(QString checkId, QString title) : id(std::move(checkId)), titleKey(std::move(title)) {}

    QString id;       ///< "program", "smartCard", … ; stable, for scripts reading the JSON
    QString titleKey; ///< the section's heading
    Verdict verdict = Verdict::pending;
    QString summaryKey; ///< one sentence on the outcome
    QString adviceKey;  ///< what to do; empty when the verdict is fine
    QList<Fact> facts;
    bool timedOut = false;

    void add(const QString& labelKey, const QString& value) { facts.append({labelKey, value}); }
    void addWord(const QString& labelKey, const QString& valueKey, const QString& value = {})
    {
        facts.append({labelKey, value, valueKey});
    }
    /// Sets the outcome; a worse verdict already set is kept, with its texts.
    void judge(Verdict outcome, const QString& summary, const QString& advice = {});
};

/// An identifier shown only by its first two and last two characters ("AB******12"); shorter
/// ones are hidden whole.
QString maskIdentifier(const QString& identifier);

} // namespace orvela::diagnostics
