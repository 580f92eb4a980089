#pragma once

#include <QJsonObject>
#include <QString>

namespace orvela::cli {

/// Text from outside (the backend, the stored identity, certificates, tokens, file names) made
/// safe to print: every control character that a terminal would act on, or that would break
/// the line, is written as an escape instead. C0 controls and DEL as \n, \r, \t, \e or \xNN,
/// C1 controls as \xNN, and the bidirectional-text controls and line/paragraph separators as
/// \u{NNNN}. Everything else is kept.
QString inert(QStringView text);

/// Writes a line to standard output.
void printLine(const QString& line);

/// Writes a line to standard error.
void printError(const QString& line);

/// Writes a JSON object, indented, to standard output.
void printJson(const QJsonObject& object);

/// Reports a failure in the form the chosen output asks for and returns the exit status 1.
/// With --json the message goes to standard output as {"error": message}, so scripts parse one
/// stream; otherwise to standard error, made inert (messages quote servers, files and tokens).
int fail(bool json, const QString& message);

} // namespace orvela::cli
