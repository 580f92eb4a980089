#include "CliOutput.h"

#include <QJsonDocument>

#include <cstdio>

namespace orvela::cli {

void printLine(const QString& line)
{
    const QByteArray utf8 = line.toUtf8();
    std::fwrite(utf8.constData(), 1, static_cast<std::size_t>(utf8.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void printError(const QString& line)
{
    const QByteArray utf8 = line.toUtf8();
    std::fwrite(utf8.constData(), 1, static_cast<std::size_t>(utf8.size()), stderr);
    std::fputc('\n', stderr);
}

void printJson(const QJsonObject& object)
{
    const QByteArray text = QJsonDocument(object).toJson(QJsonDocument::Indented);
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
    std::fflush(stdout);
}

int fail(bool json, const QString& message)
{
    if (json) {
        printJson(QJsonObject{{QStringLiteral("error"), message}});
    } else {
        printError(message);
    }
    return 1;
}

} // namespace orvela::cli
