#pragma once

#include <QElapsedTimer>
#include <QJsonObject>
#include <QString>
#include <QTimer>

namespace orvela::cli {

/// Text from outside (the backend, the stored identity, certificates, tokens, file names) made
/// safe to print: every control character that a terminal would act on, or that would break
/// the line, is written as an escape instead. C0 controls and DEL as \n, \r, \t, \e or \xNN,
/// C1 controls as \xNN, and the bidirectional-text controls and line/paragraph separators as
/// \u{NNNN}. Everything else is kept.
QString inert(QStringView text);

/// Writes a line to standard output.
void printLine(const QString& line);

/// Writes text that ends its own lines to standard output.
void printText(const QString& text);

/// Writes a line to standard error.
void printError(const QString& line);

/// Writes a JSON object, indented, to standard output.
void printJson(const QJsonObject& object);

/// Reports a failure in the form the chosen output asks for and returns the exit status 1.
/// With --json the message goes to standard output as {"error": message}, so scripts parse one
/// stream; otherwise to standard error, made inert (messages quote servers, files and tokens).
int fail(bool json, const QString& message);

/// fail() for a diagnosed failure: under --json the document also names `reason`, a fixed
/// word scripts can test, as {"error": message, "reason": reason}.
int fail(bool json, const QString& message, const QString& reason);

/// A wait shown as one line that counts the seconds, rewritten in place on standard error. It
/// appears only once the wait passes a second, and only on a terminal: a pipe or a log file
/// never sees it. Needs a running event loop.
class ProgressLine {
public:
    ProgressLine();
    ~ProgressLine() { end(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void start(const QString& text);
    /// Clears the line, if one is shown, so that what follows starts on a clean line.
    void end();

private:
    void show();

    bool m_terminal;
    bool m_shown = false;
    QString m_text;
    QElapsedTimer m_elapsed;
    QTimer m_timer;
};

} // namespace orvela::cli
