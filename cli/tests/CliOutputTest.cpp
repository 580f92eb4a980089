// The escaping every outside text goes through before the command line prints it.

#include "CliOutput.h"

#include <gtest/gtest.h>

namespace {

using orvela::cli::inert;

TEST(Inert, EscapesWhatATerminalWouldActOnAndKeepsTheRest)
{
    struct Case {
        QString in;
        QString out;
    };
    const Case cases[] = {
        {QStringLiteral("Бат-Эрдэнэ Дорж"), QStringLiteral("Бат-Эрдэнэ Дорж")},
        {QStringLiteral("C:\\path \"q\" ✓ 𝄞"), QStringLiteral("C:\\path \"q\" ✓ 𝄞")},
        // Sets the window title, clears the screen, then forges a line of its own.
        {QStringLiteral("\x1b]0;pwned\x07\x1b[2JBat\nNational ID: XX00000000"),
         QStringLiteral("\\e]0;pwned\\x07\\e[2JBat\\nNational ID: XX00000000")},
        {QStringLiteral("a\rb\tc"), QStringLiteral("a\\rb\\tc")},
        {QString(QChar(u'\0')) + u'x', QStringLiteral("\\x00x")},
        {QStringLiteral("del\x7f"), QStringLiteral("del\\x7F")},
        // C1 controls: U+009B is a one-character CSI on many terminals.
        {QStringLiteral("\u0085\u009b2J\u009f"), QStringLiteral("\\x85\\x9B2J\\x9F")},
        // Bidirectional overrides and separators would make the line read otherwise.
        {QStringLiteral("abc\u202Egpj.exe\u2066\u2069\u200F\u2028\u2029"),
         QStringLiteral("abc\\u{202E}gpj.exe\\u{2066}\\u{2069}\\u{200F}\\u{2028}\\u{2029}")},
        {QStringLiteral("\u00a0\u00e9"), QStringLiteral("\u00a0\u00e9")}, // printable Latin-1
    };
    for (const Case& c : cases) {
        EXPECT_EQ(inert(c.in).toStdString(), c.out.toStdString());
    }
}

} // namespace
