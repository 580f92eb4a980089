// The tool's command line against its own command table: help and usage errors for every
// command and group, exit statuses, the parser's decisions, the interface language, and the
// escaping every outside text goes through before it is printed.

#include "CliCommand.h"
#include "CliOutput.h"
#include "CliParser.h"
#include "CliRun.h"
#include "common/BuildInfo.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

using orvela::cli::commandTable;
using orvela::cli::inert;
using orvela::cli::Invocation;
using orvela::cli::parseInvocation;
using orvela::clitest::CliRun;
using orvela::clitest::hasCyrillic;
using orvela::clitest::orvela;

TEST(CliTable, EveryCommandHasHelpAndOneLineUsageErrors)
{
    for (const auto& command : commandTable()) {
        const QString name = command.path.join(u' ');
        const std::string label = (command.road + u' ' + name).toStdString();
        QStringList words = command.path; // with its road first when it has one
        if (!command.road.isEmpty()) {
            words = QStringList{QStringLiteral("--road"), command.road} + words;
        }

        const CliRun help = orvela(QStringList{"--lang", "en"} + words + QStringList{"-h"});
        EXPECT_EQ(help.exitCode, 0) << label;
        EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: orvela "))) << label;
        EXPECT_TRUE(help.out.contains(name) && help.out.contains(QStringLiteral("Exit status:")))
            << label;
        EXPECT_EQ(help.err, QString()) << label;
        EXPECT_FALSE(help.out.contains(QStringLiteral(ORVELA_BINARY))) << label;
        for (const auto& option : command.options) {
            EXPECT_TRUE(help.out.contains(QStringLiteral("--") + option.name)) << label;
        }

        const CliRun english = orvela(QStringList{"--lang", "en"} + words + QStringList{"--bogus"});
        EXPECT_EQ(english.exitCode, 2) << label;
        EXPECT_EQ(english.out, QString()) << label;
        const QString road =
            command.road == u"pkcs11" ? QStringLiteral("--road pkcs11 ") : QString();
        EXPECT_EQ(english.err, QStringLiteral("orvela: unknown option '--bogus'; see 'orvela %1%2 "
                                              "--help'\n")
                                   .arg(road, name))
            << label;

        const CliRun mongolian =
            orvela(QStringList{"--lang", "mn"} + words + QStringList{"--bogus"});
        EXPECT_EQ(mongolian.exitCode, 2) << label;
        EXPECT_EQ(mongolian.err.count(u'\n'), 1) << label;
        EXPECT_TRUE(hasCyrillic(mongolian.err)) << mongolian.err.toStdString();
    }
}

TEST(CliTable, EveryGroupAndTheToolHaveHelp)
{
    const QList<QStringList> groups{{}, {"token"}, {"token", "pin"}, {"token", "objects"}};
    for (const QStringList& group : groups) {
        const std::string label = group.join(u' ').toStdString();
        const CliRun help = orvela(QStringList{"--lang", "en"} + group + QStringList{"--help"});
        EXPECT_EQ(help.exitCode, 0) << label;
        EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: orvela"))) << label;
        for (const auto& command : commandTable()) {
            if (command.path.size() > group.size() && command.path.first(group.size()) == group) {
                EXPECT_TRUE(help.out.contains(command.path.join(u' '))) << label;
            }
        }
        EXPECT_EQ(orvela(QStringList{"--lang", "en", "help"} + group).out, help.out) << label;
        if (!group.isEmpty()) {
            const CliRun bare = orvela(QStringList{"--lang", "en"} + group);
            EXPECT_EQ(bare.exitCode, 2) << label;
            EXPECT_EQ(bare.err, QStringLiteral("orvela: '%1' needs a subcommand; see 'orvela %1 "
                                               "--help'\n")
                                    .arg(group.join(u' ')));
        }
    }
    const CliRun top = orvela({"--help"});
    EXPECT_TRUE(hasCyrillic(top.out)) << "Mongolian unless told otherwise";
    const CliRun version = orvela({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, QStringLiteral("orvela %1\n").arg(QString::fromLatin1(orvela::common::version)));
}

TEST(CliTable, TheParserDecidesAsTheCommandLineSays)
{
    using Kind = Invocation::Kind;
    struct Case {
        QStringList args;
        QString error; ///< the usage error, in English
        Kind kind = Kind::usageError;
    };
    const Case cases[] = {
        {{"--lang", "en"}, "no command given"},
        {{"--lang"}, "option '--lang' needs a value mn|en"},
        {{"--lang", "fr", "whoami"}, "'fr' is not a value of --lang (mn|en)"},
        {{"--lang=en", "--road", "foo", "token", "info"},
         "'foo' is not a value of --road (apdu|pkcs11)"},
        {{"--lang", "en", "frobnicate"}, "unknown command 'frobnicate'"},
        {{"--lang", "en", "token", "pin", "--bogus"}, "unknown option '--bogus'"},
        {{"--lang", "en", "whoami", "extra"}, "unexpected argument 'extra'"},
        {{"--lang", "en", "whoami", "--", "-x"}, "unexpected argument '-x'"},
        {{"--lang", "en", "cert"}, "missing FILE"},
        {{"--lang", "en", "token", "info", "--reader"}, "option '--reader' needs a value N"},
        {{"--lang", "en", "token", "erase", "--yes=no"}, "option '--yes' takes no value"},
        {{"--lang", "en", "--json=1", "whoami"}, "option '--json' takes no value"},
        {{"--lang", "en", "token", "info", "--reader", "1", "--reader", "2"},
         "option '--reader' is given twice"},
        {{"--lang", "en", "--road", "pkcs11", "token", "objects", "delete", "--kind", "key"},
         "'key' is not a value of --kind (privateKey|publicKey|certificate|data)"},
        {{"--lang", "en", "--road", "apdu", "token", "slots", "--reader", "0"},
         "unknown option '--reader'"},
        {{"--version", "whoami"}, {}, Kind::version},
        {{"help", "token", "pin"}, {}, Kind::help},
        {{"token", "objects", "-h"}, {}, Kind::help},
        {{"cert", "-"}, {}, Kind::run},
    };
    for (const Case& c : cases) {
        const Invocation invocation = parseInvocation(c.args);
        EXPECT_EQ(invocation.kind, c.kind) << c.args.join(u' ').toStdString();
        EXPECT_EQ(invocation.error, c.error) << c.args.join(u' ').toStdString();
    }

    const Invocation run = parseInvocation(
        {"token", "--json", "sign", "-vv", "--hash=00ff", "--road", "pkcs11", "--key-label", "k"});
    ASSERT_EQ(run.kind, Kind::run);
    EXPECT_EQ(run.command->road, "pkcs11") << "the road picks the command";
    EXPECT_TRUE(run.context.json);
    EXPECT_EQ(run.verbosity, 2);
    EXPECT_EQ(run.context.value("hash"), "00ff");
    EXPECT_EQ(run.context.value("key-label"), "k");
}

TEST(CliDiagnoses, FailuresAPersonCanMendSayWhatToDo)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A PC/SC socket nobody serves: the service is down.
    QProcessEnvironment noService;
    noService.insert(QStringLiteral("PCSCLITE_CSOCK_NAME"), dir.filePath(QStringLiteral("none")));
    // SoftHSM2 with an empty token directory: a slot, but no initialised token in it.
    QProcessEnvironment emptyHsm;
    const QString hsmConf = dir.filePath(QStringLiteral("softhsm2.conf"));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("tokens")));
    QFile conf(hsmConf);
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write("directories.tokendir = " + dir.filePath(QStringLiteral("tokens")).toUtf8() +
               "\nobjectstore.backend = file\nlog.level = ERROR\n");
    conf.close();
    emptyHsm.insert(QStringLiteral("SOFTHSM2_CONF"), hsmConf);
    const QString softhsm = QStringLiteral("/usr/lib/softhsm/libsofthsm2.so");

    struct Case {
        QStringList args;
        QProcessEnvironment env;
        QString reason;
        QString advice; ///< part of the English sentence: what to do
    };
    const QList<Case> cases{
        {{"token", "info"},
         noService,
         "pcscd-not-running",
         "smart-card service (pcscd) is not running"},
        {{"--road", "pkcs11", "token", "slots", "--library", dir.filePath("libnone.so")},
         {},
         "no-pkcs11-library",
         "ORVELA_PKCS11_LIBRARY"},
        {{"--pin-stdin", "--road", "pkcs11", "token", "keygen", "--library", softhsm},
         emptyHsm,
         "no-token",
         "finds no usable token"},
    };
    for (const Case& c : cases) {
        const std::string label = c.args.join(u' ').toStdString();
        if (c.args.contains(softhsm) && !QFile::exists(softhsm)) {
            ADD_FAILURE() << "SoftHSM2 is not installed (scripts/install-deps)";
            continue;
        }
        const CliRun json = orvela(QStringList{"--lang", "en", "--json"} + c.args, c.env, "1234\n");
        EXPECT_EQ(json.exitCode, 1) << label;
        const QJsonObject error = json.json();
        EXPECT_EQ(error.value("reason").toString(), c.reason) << label << json.out.toStdString();
        EXPECT_TRUE(error.value("error").toString().contains(c.advice)) << label;

        // The sentence alone: no log line, no source location.
        const CliRun english = orvela(QStringList{"--lang", "en"} + c.args, c.env, "1234\n");
        EXPECT_EQ(english.exitCode, 1) << label;
        EXPECT_EQ(english.err, error.value("error").toString() + u'\n') << label;
    }
}

// A signal at the PIN prompt ends the program as the signal would, with the terminal's echo
// back on: a shell left without echo would hide everything typed after.
TEST(PinPrompt, EveryEndingSignalGivesTheTerminalItsEchoBack)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ORVELA_VIRTUAL_TOKEN"), QStringLiteral("aes"));
    env.insert(QStringLiteral("ORVELA_VIRTUAL_TOKEN_STATE"), dir.filePath(QStringLiteral("t")));
    env.insert(QStringLiteral("HOME"), dir.path());
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master, 0);
        ASSERT_TRUE(::grantpt(master) == 0 && ::unlockpt(master) == 0);
        const QString terminal = QString::fromLocal8Bit(::ptsname(master));
        // Held open here, so the terminal's settings outlive the program.
        const int slave = ::open(QFile::encodeName(terminal).constData(), O_RDWR | O_NOCTTY);
        ASSERT_GE(slave, 0);
        QProcess process;
        process.setProcessEnvironment(env);
        process.setStandardInputFile(terminal);
        process.setReadChannel(QProcess::StandardError); // where the prompt goes
        process.start(QStringLiteral(ORVELA_BINARY), {"--lang", "en", "token", "keygen"});
        QByteArray prompt;
        while (!prompt.contains(": ") && process.waitForReadyRead(10000)) {
            prompt += process.readAllStandardError();
        }
        // Echo goes off just after the prompt is written.
        termios flags{};
        QElapsedTimer waited;
        waited.start();
        while (::tcgetattr(slave, &flags) == 0 && (flags.c_lflag & ECHO) != 0 &&
               waited.elapsed() < 5000) {
            QThread::msleep(10);
        }
        EXPECT_EQ(flags.c_lflag & ECHO, 0u) << "no prompt with echo off: " << prompt.data();
        ::kill(static_cast<pid_t>(process.processId()), signal);
        ASSERT_TRUE(process.waitForFinished(10000)) << signal;
        EXPECT_EQ(process.exitStatus(), QProcess::CrashExit) << signal;
        EXPECT_EQ(process.exitCode(), signal) << "ended by its own signal";
        ASSERT_EQ(::tcgetattr(slave, &flags), 0);
        EXPECT_NE(flags.c_lflag & ECHO, 0u) << "echo left off after signal " << signal;
        ::close(slave);
        ::close(master);
    }
}

// A settings file that is no regular file is refused at once, before anything reads it: a FIFO
// hung every command, --version included, and a device would be read without end.
TEST(CliDiagnoses, ASettingsFileThatIsNoRegularFileIsRefusedAtOnce)
{
    QTemporaryDir config;
    ASSERT_TRUE(QDir(config.path()).mkpath(QStringLiteral("Orvela")));
    const QString settings = config.filePath(QStringLiteral("Orvela/orvela-desktop.conf"));
    QProcessEnvironment env;
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    for (const char* kind : {"fifo", "device"}) {
        SCOPED_TRACE(kind);
        QFile::remove(settings);
        ASSERT_TRUE(kind == std::string_view("fifo")
                        ? ::mkfifo(QFile::encodeName(settings).constData(), 0600) == 0
                        : QFile::link(QStringLiteral("/dev/zero"), settings));
        for (const QStringList& args : {QStringList{"--version"}, QStringList{"activity"}}) {
            const CliRun run = orvela(args, env);
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_TRUE(run.out.isEmpty());
            EXPECT_TRUE(run.err.contains("is not a regular file (a pipe, device or folder); move "
                                         "it aside and start again: " +
                                         settings))
                << run.err.toStdString();
        }
    }
}

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
