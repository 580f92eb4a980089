#include "CliOutput.h"

#include <QJsonDocument>
#include <cstdio>
#include <unistd.h>

namespace orvela::cli {

namespace {

/// Marks that reorder or split what follows: a name could make a line read other than it is.
bool isLayoutControl(char32_t c)
{
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069) || c == 0x2028 || c == 0x2029;
}

QString escapeOf(char32_t c)
{
    switch (c) {
    case u'\n':
        return QStringLiteral("\\n");
    case u'\r':
        return QStringLiteral("\\r");
    case u'\t':
        return QStringLiteral("\\t");
    case 0x1B:
        return QStringLiteral("\\e");
    default:
        break;
    }
    const auto hex = [c](int width) {
        return QString::number(uint(c), 16).rightJustified(width, u'0').toUpper();
    };
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
        return QStringLiteral("\\x") + hex(2);
    }
    if (isLayoutControl(c)) {
        return QStringLiteral("\\u{") + hex(4) + u'}';
    }
    return {};
}

} // namespace

QString inert(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        const QString escape = escapeOf(c);
        if (escape.isEmpty()) {
            out += QString::fromUcs4(&c, 1);
        } else {
            out += escape;
        }
    }
    return out;
}

void printLine(const QString& line)
{
    const QByteArray utf8 = line.toUtf8();
    std::fwrite(utf8.constData(), 1, static_cast<std::size_t>(utf8.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void printText(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, static_cast<std::size_t>(utf8.size()), stdout);
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

int fail(bool json, const QString& message, const QString& reason)
{
    if (json) {
        printJson(
            QJsonObject{{QStringLiteral("error"), message}, {QStringLiteral("reason"), reason}});
        return 1;
    }
    return fail(json, message);
}

int fail(bool json, const QString& message)
{
    if (json) {
        printJson(QJsonObject{{QStringLiteral("error"), message}});
    } else {
        printError(inert(message));
    }
    return 1;
}

ProgressLine::ProgressLine() : m_terminal(::isatty(STDERR_FILENO) != 0)
{
    m_timer.setInterval(1000);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { show(); });
}

void ProgressLine::start(const QString& text)
{
    end();
    if (!m_terminal) {
        return;
    }
    m_text = text;
    m_elapsed.start();
    m_timer.start();
}

void ProgressLine::show()
{
    const QString line = QStringLiteral("\r%1 %2 s ").arg(m_text).arg(m_elapsed.elapsed() / 1000);
    const QByteArray utf8 = line.toUtf8();
    std::fwrite(utf8.constData(), 1, static_cast<std::size_t>(utf8.size()), stderr);
    std::fflush(stderr);
    m_shown = true;
}

void ProgressLine::end()
{
    m_timer.stop();
    if (m_shown) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        m_shown = false;
    }
}

} // namespace orvela::cli
