#pragma once

#include <QJsonObject>
#include <QString>

namespace orvela::cli {

/// Writes a line to standard output.
void printLine(const QString& line);

/// Writes a line to standard error.
void printError(const QString& line);

/// Writes a JSON object, indented, to standard output.
void printJson(const QJsonObject& object);

/// Reports a failure in the form the chosen output asks for and returns the exit status 1.
/// With --json the message goes to standard output as {"error": message}, so scripts parse one
/// stream; otherwise to standard error.
int fail(bool json, const QString& message);

} // namespace orvela::cli
