#include "CliDocs.h"

#include "CliCommand.h"
#include "CliHelp.h"
#include "CliLocalization.h"
#include "CliOutput.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>
#include <QSet>

namespace orvela::cli {

namespace {

using common::AppLanguage;

QString english(const char* key)
{
    return cliText(key, AppLanguage::en);
}

/// Text made safe for roff: backslashes written out, hyphens as minus signs (so that options
/// can be copied), and no line that roff would read as a request.
QString roff(QString text)
{
    text.replace(u'\\', QStringLiteral("\\e"));
    text.replace(u'-', QStringLiteral("\\-"));
    if (text.startsWith(u'.') || text.startsWith(u'\'')) {
        text.prepend(QStringLiteral("\\&"));
    }
    return text;
}

QString bold(const QString& text)
{
    return QStringLiteral("\\fB") + roff(text) + QStringLiteral("\\fR");
}

QString optionRoff(const QString& name, const QString& valueName)
{
    QString text = bold(QStringLiteral("--") + name);
    if (!valueName.isEmpty()) {
        text += QStringLiteral(" \\fI") + roff(valueName) + QStringLiteral("\\fR");
    }
    return text;
}

QString describedEnglish(const char* key, const QStringList& allowed)
{
    QString text = english(key);
    if (!allowed.isEmpty()) {
        text += QStringLiteral(" (one of: %1)").arg(allowed.join(u", "));
    }
    return text;
}

QString commandSection(const CliCommand& command)
{
    QString synopsis = command.path.join(u' ');
    if (!command.road.isEmpty()) {
        synopsis = QStringLiteral("--road %1 %2").arg(command.road, synopsis);
    }
    for (const QString& part : optionsSynopsis(command) + command.positionals) {
        synopsis += u' ' + part;
    }
    QString out =
        QStringLiteral(".TP\n") + bold(synopsis) + u'\n' + roff(english(command.summary)) + u'\n';
    if (command.jsonOutput) {
        out += QStringLiteral("Supports \\fB\\-\\-json\\fR.\n");
    }
    for (const auto& option : command.options) {
        out += QStringLiteral(".RS\n.TP\n") + optionRoff(option.name, option.valueName) + u'\n' +
               roff(describedEnglish(option.help, option.allowed)) + QStringLiteral("\n.RE\n");
    }
    return out;
}

/// The fields of each command's JSON document; kept beside the commands that print them.
const char* const kJsonFields = R"(.TP
.B health
baseUrl (string), reachable (boolean).
.TP
.B diagnose
checks (array of {id, verdict (fine, warning or problem), timedOut (boolean), title, summary,
advice, facts (array of {name, label, value})}); no PIN, token or session identifier, and the
register number masked but for its first two and last two characters.
.TP
.B login, whoami
fullName, nationalId, civilId, kycLevel, documentNumber (strings).
.TP
.B logout
signedOut (true).
.TP
.B activity
sessions (array of the stored activity records), totalLogins (number).
.TP
.B sign
fileName, sha256, path (strings).
.TP
.B cert
subject, issuer, serialNumberHex, notBefore, notAfter (ISO 8601, UTC), signatureAlgorithm,
publicKeyAlgorithm, spkiSha256Base64, thumbprintSha1Hex, thumbprintSha256Hex, pemSource
(strings), publicKeyBits (number), keyUsages, extendedKeyUsages, subjectAlternativeNames
(arrays of strings).
.TP
.B token readers
readers (array of reader names, in index order).
.TP
.B token info
label, atr (hexadecimal) (strings), isFIPS, appletSelected (booleans).
.TP
.B token test
connected (true), challenge (hexadecimal).
.TP
.B token sign
signature (hexadecimal, r || s); on the pkcs11 road also hash.
.TP
.B token slots
slots (array of slot numbers), ok, message.
.TP
.B token csr
pem, derHex (strings).
.TP
.B token objects list
objects (array of {idHex, label, kind, keyType}).
.TP
.B token provision, keygen, erase, pin, objects import|delete
a flag naming what was done (provisioned, generated, erased or ok) and, on the pkcs11 road,
message.
.PP
A failure under \fB\-\-json\fR prints {"error": MESSAGE} on standard output and exits 1. When
the failure is one a person can mend, the document also holds "reason", one of
pcscd\-not\-running, no\-reader, no\-card, card\-removed, wrong\-pin, pin\-blocked, no\-key,
no\-pkcs11\-library or no\-token, and MESSAGE says what to do. A usage error still goes to
standard error and exits 2.
)";

const char* const kTail = R"(.SH EXIT STATUS
.TP
.B 0
The command did what it was asked (\fBhealth\fR: the backend answers; \fBdiagnose\fR: no
check found a problem).
.TP
.B 1
The operation failed; one message on standard error says why and what to do.
.TP
.B 2
Usage error: an unknown command or option, a missing or unknown value. One line on standard
error names what is wrong and where the help is.
.SH ENVIRONMENT
.TP
.B ORVELA_PKCS11_LIBRARY
The PKCS#11 library of the pkcs11 road when \fB\-\-library\fR is not given; without either,
the module chosen in the desktop's settings (\fBpkcs11.libraryPath\fR), else the usual
locations.
.TP
.B ORVELA_VIRTUAL_TOKEN
\fBdes\fR, \fBaes\fR or \fBfips\fR: the APDU road talks to an in-process virtual token
instead of PC/SC (for scripts and tests); its state is kept in
.BR ORVELA_VIRTUAL_TOKEN_STATE .
.TP
.B API_BASE_URL
The backend address when \fB\-\-api\-url\fR is not given.
.TP
.B PCSCLITE_CSOCK_NAME
The socket of the PC/SC service (pcscd).
)";

const char* const kExamples = R"(.SH EXAMPLES
.TP
Sign in with a request to the phone, then check who is signed in:
.nf
orvela login \-\-register AB12345678
orvela \-\-json whoami
.fi
.TP
Sign a PDF into a folder of your choice:
.nf
orvela sign contract.pdf \-\-out ~/signed
.fi
.TP
Read a certificate in English:
.nf
orvela \-\-lang en cert certificate.pem
.fi
.TP
List the card readers as JSON, then sign a hash with the token:
.nf
orvela \-\-json token readers
orvela token sign \-\-hash 9F86D081884C7D659A2FEAA0C55AD015A3BF4F1B2B0B822CD15D6C15B0F00A08
.fi
.TP
Provision a token through a PKCS#11 library, PINs from a script:
.nf
printf '%s\\n' "$SO_PIN" "$PIN" "$PIN" |
  orvela \-\-pin\-stdin \-\-road pkcs11 token provision \-\-library /usr/lib/softhsm/libsofthsm2.so
.fi
.SH SEE ALSO
.BR orvela\-desktop (1),
.BR pcscd (8)
)";

/// Where the settings library keeps the file, by the names the process runs under: the same
/// names the desktop application uses, so the page names the file both really share.
QString filesSection()
{
    const QString settings =
        QStringLiteral("~/.config/%1/%2.conf")
            .arg(QCoreApplication::organizationName(), QCoreApplication::applicationName());
    return QStringLiteral(".SH FILES\n.TP\n.I ") + roff(settings) +
           QStringLiteral("\nThe settings shared with the desktop application, among them the "
                          "interface language and the activity log (under "
                          "\\fB$XDG_CONFIG_HOME\\fR instead of \\fI~/.config\\fR when "
                          "that is set).\n.PP\nThe signed\\-in identity is kept in the "
                          "desktop's credential store (Secret Service), shared with the desktop "
                          "application.\n");
}

} // namespace

QString manPage()
{
    QString out = QStringLiteral(".TH ORVELA 1 \"\" \"orvela %1\" \"User Commands\"\n")
                      .arg(QStringLiteral(ORVELA_VERSION));
    out += QStringLiteral(".SH NAME\norvela \\- the Orvela e\\-ID client on the command line\n");
    out += QStringLiteral(".SH SYNOPSIS\n.B orvela\n[\\fIGLOBAL\\-OPTIONS\\fR] \\fICOMMAND\\fR "
                          "[\\fIOPTIONS\\fR] [\\fIARGUMENTS\\fR]\n.br\n.B orvela help\n"
                          "[\\fICOMMAND\\fR]\n.br\n.B orvela \\-\\-version\n");
    out += QStringLiteral(".SH DESCRIPTION\n") + roff(english("Cli_Description")) + u'\n';
    out += QStringLiteral(".PP\n") + roff(english("Cli_Help_More")) + u'\n';
    out += QStringLiteral(".PP\nBy default the tool prints its result and, on failure, one "
                          "message; log lines reach standard error only with \\fB\\-v\\fR. "
                          "Waits longer than a second show a progress line when standard "
                          "error is a terminal.\n");
    out += QStringLiteral(".SH COMMANDS\n");
    for (const auto& command : commandTable()) {
        out += commandSection(command);
    }
    out += QStringLiteral(".SH GLOBAL OPTIONS\n");
    for (const auto& option : globalOptions()) {
        QString term = optionRoff(option.name, option.valueName);
        if (!option.shortName.isEmpty()) {
            term = bold(u'-' + option.shortName) + QStringLiteral(", ") + term;
        }
        out += QStringLiteral(".TP\n") + term + u'\n' +
               roff(describedEnglish(option.help, option.allowed)) + u'\n';
    }
    out += QStringLiteral(".SH JSON OUTPUT\nWith \\fB\\-\\-json\\fR a command prints one JSON "
                          "document on standard output:\n");
    out += QString::fromUtf8(kJsonFields);
    out += QString::fromUtf8(kTail) + filesSection() + QString::fromUtf8(kExamples);
    return out;
}

namespace {

/// Command paths, one per distinct word list, in table order.
QList<QStringList> distinctPaths()
{
    QList<QStringList> paths;
    for (const auto& command : commandTable()) {
        if (!paths.contains(command.path)) {
            paths << command.path;
        }
    }
    return paths;
}

/// The words that may follow `prefix`: subcommands below it.
QStringList nextWords(const QStringList& prefix)
{
    QStringList next;
    for (const QStringList& path : distinctPaths()) {
        if (path.size() > prefix.size() && path.first(prefix.size()) == prefix &&
            !next.contains(path.at(prefix.size()))) {
            next << path.at(prefix.size());
        }
    }
    return next;
}

/// Every group and command path, the empty top level first.
QList<QStringList> allPrefixes()
{
    QList<QStringList> prefixes{QStringList()};
    for (const QStringList& path : distinctPaths()) {
        for (qsizetype n = 1; n <= path.size(); ++n) {
            if (!prefixes.contains(path.first(n))) {
                prefixes << path.first(n);
            }
        }
    }
    return prefixes;
}

/// The options of every command at `path`, on either road.
QStringList optionWords(const QStringList& path)
{
    QStringList words;
    for (const auto& command : commandTable()) {
        if (command.path != path) {
            continue;
        }
        for (const auto& option : command.options) {
            if (!words.contains(QStringLiteral("--") + option.name)) {
                words << QStringLiteral("--") + option.name;
            }
        }
    }
    return words;
}

QStringList globalWords()
{
    QStringList words;
    for (const auto& option : globalOptions()) {
        words << QStringLiteral("--") + option.name;
    }
    return words;
}

/// Options that take a value, global or of any command: the word after them is no command.
QStringList valuedOptions()
{
    QStringList words;
    for (const auto& option : globalOptions()) {
        if (!option.valueName.isEmpty()) {
            words << QStringLiteral("--") + option.name;
        }
    }
    for (const auto& command : commandTable()) {
        for (const auto& option : command.options) {
            const QString word = QStringLiteral("--") + option.name;
            if (!option.valueName.isEmpty() && !words.contains(word)) {
                words << word;
            }
        }
    }
    return words;
}

/// Options whose values are a fixed set, with that set.
QList<std::pair<QString, QStringList>> choiceOptions()
{
    QList<std::pair<QString, QStringList>> choices;
    for (const auto& option : globalOptions()) {
        if (!option.allowed.isEmpty()) {
            choices.append({QStringLiteral("--") + option.name, option.allowed});
        }
    }
    for (const auto& command : commandTable()) {
        for (const auto& option : command.options) {
            if (!option.allowed.isEmpty()) {
                choices.append({QStringLiteral("--") + option.name, option.allowed});
            }
        }
    }
    return choices;
}

bool takesFiles(const QStringList& path)
{
    for (const auto& command : commandTable()) {
        if (command.path == path && !command.positionals.isEmpty()) {
            return true;
        }
    }
    return false;
}

} // namespace

QString bashCompletion()
{
    QString out = QStringLiteral("# bash completion for orvela; generated from its command "
                                 "table.\n_orvela()\n{\n"
                                 "    local cur=\"${COMP_WORDS[COMP_CWORD]}\"\n"
                                 "    local prev=\"${COMP_WORDS[COMP_CWORD-1]}\"\n"
                                 "    case \"$prev\" in\n");
    for (const auto& [option, values] : choiceOptions()) {
        out += QStringLiteral("        %1) COMPREPLY=($(compgen -W \"%2\" -- \"$cur\")); "
                              "return ;;\n")
                   .arg(option, values.join(u' '));
    }
    out += QStringLiteral("        %1) COMPREPLY=($(compgen -f -- \"$cur\")); return ;;\n")
               .arg(valuedOptions().join(u'|'));
    out += QStringLiteral("    esac\n    local path=\"\" skip=0 i word\n"
                          "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
                          "        word=\"${COMP_WORDS[i]}\"\n"
                          "        if ((skip)); then skip=0; continue; fi\n"
                          "        case \"$word\" in\n"
                          "            %1) skip=1 ;;\n"
                          "            -*) ;;\n"
                          "            *) path=\"${path:+$path }$word\" ;;\n"
                          "        esac\n    done\n    local words\n    case \"$path\" in\n")
               .arg(valuedOptions().join(u'|'));
    const QString globals = globalWords().join(u' ');
    for (const QStringList& prefix : allPrefixes()) {
        QStringList words = nextWords(prefix);
        if (prefix.isEmpty()) {
            words << QStringLiteral("help");
        }
        words << optionWords(prefix);
        out += QStringLiteral("        \"%1\") words=\"%2 %3\" ;;\n")
                   .arg(prefix.join(u' '), words.join(u' '), globals);
    }
    out += QStringLiteral("        help*) words=\"%1\" ;;\n").arg(nextWords({}).join(u' '));
    out += QStringLiteral("        *) words=\"%1\" ;;\n    esac\n").arg(globals);
    out += QStringLiteral("    COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
                          "    if [[ ${#COMPREPLY[@]} -eq 0 && \"$cur\" != -* ]]; then\n"
                          "        COMPREPLY=($(compgen -f -- \"$cur\"))\n"
                          "    fi\n}\ncomplete -F _orvela orvela\n");
    return out;
}

QString zshCompletion()
{
    QString out = QStringLiteral("#compdef orvela\n# zsh completion for orvela; generated from "
                                 "its command table.\n\n_orvela() {\n"
                                 "    local -a path_words\n    local i word skip=0\n"
                                 "    case \"${words[CURRENT-1]}\" in\n");
    for (const auto& [option, values] : choiceOptions()) {
        out += QStringLiteral("        (%1) compadd -- %2; return ;;\n")
                   .arg(option, values.join(u' '));
    }
    out += QStringLiteral("        (%1) _files; return ;;\n").arg(valuedOptions().join(u'|'));
    out += QStringLiteral("    esac\n    for ((i = 2; i < CURRENT; i++)); do\n"
                          "        word=\"${words[i]}\"\n"
                          "        if ((skip)); then skip=0; continue; fi\n"
                          "        case \"$word\" in\n"
                          "            (%1) skip=1 ;;\n"
                          "            (-*) ;;\n"
                          "            (*) path_words+=(\"$word\") ;;\n"
                          "        esac\n    done\n"
                          "    case \"${(j: :)path_words}\" in\n")
               .arg(valuedOptions().join(u'|'));
    const QString globals = globalWords().join(u' ');
    for (const QStringList& prefix : allPrefixes()) {
        QStringList words = nextWords(prefix);
        if (prefix.isEmpty()) {
            words << QStringLiteral("help");
        }
        words << optionWords(prefix);
        const QString files = takesFiles(prefix) ? QStringLiteral("; _files") : QString();
        out += QStringLiteral("        (\"%1\") compadd -- %2 %3%4 ;;\n")
                   .arg(prefix.join(u' '), words.join(u' '), globals, files);
    }
    out += QStringLiteral("        (help*) compadd -- %1 ;;\n").arg(nextWords({}).join(u' '));
    out += QStringLiteral("        (*) compadd -- %1; _files ;;\n    esac\n}\n\n"
                          "_orvela \"$@\"\n")
               .arg(globals);
    return out;
}

QString fishCompletion()
{
    const QString valued = valuedOptions().join(u' ');
    QString out =
        QStringLiteral(
            "# fish completion for orvela; generated from its command table.\n"
            "function __orvela_path\n"
            "    set -l skip 0\n    set -l path\n"
            "    for word in (commandline -opc)[2..-1]\n"
            "        if test $skip = 1\n            set skip 0\n            continue\n        end\n"
            "        if contains -- $word %1\n            set skip 1\n"
            "        else if not string match -q -- '-*' $word\n"
            "            set path $path $word\n        end\n    end\n"
            "    string join ' ' -- $path\nend\n\n"
            "function __orvela_at\n    set -l path (__orvela_path)\n"
            "    test \"$path\" = \"$argv[1]\"\nend\n\n"
            "complete -c orvela -f\n")
            .arg(valued);
    for (const auto& option : globalOptions()) {
        QString line = QStringLiteral("complete -c orvela -l %1").arg(option.name);
        if (!option.shortName.isEmpty()) {
            line += QStringLiteral(" -s %1").arg(option.shortName);
        }
        if (!option.allowed.isEmpty()) {
            line += QStringLiteral(" -x -a '%1'").arg(option.allowed.join(u' '));
        } else if (!option.valueName.isEmpty()) {
            line += QStringLiteral(" -r");
        }
        out += line + QStringLiteral(" -d '%1'\n").arg(english(option.help).replace(u'\'', u' '));
    }
    for (const QStringList& prefix : allPrefixes()) {
        const QString at = QStringLiteral("-n '__orvela_at \"%1\"'").arg(prefix.join(u' '));
        for (const QString& word : nextWords(prefix)) {
            QString summary;
            for (const auto& command : commandTable()) {
                if (command.path == prefix + QStringList{word}) {
                    summary = english(command.summary).section(u'.', 0, 0);
                    break;
                }
            }
            out += QStringLiteral("complete -c orvela %1 -a %2").arg(at, word);
            if (!summary.isEmpty()) {
                out += QStringLiteral(" -d '%1'").arg(summary.replace(u'\'', u' '));
            }
            out += u'\n';
        }
        QSet<QString> seen;
        for (const auto& command : commandTable()) {
            if (command.path != prefix) {
                continue;
            }
            for (const auto& option : command.options) {
                if (seen.contains(option.name)) {
                    continue;
                }
                seen.insert(option.name);
                QString line = QStringLiteral("complete -c orvela %1 -l %2").arg(at, option.name);
                if (!option.allowed.isEmpty()) {
                    line += QStringLiteral(" -x -a '%1'").arg(option.allowed.join(u' '));
                } else if (!option.valueName.isEmpty()) {
                    line += QStringLiteral(" -r -F");
                }
                out += line +
                       QStringLiteral(" -d '%1'\n").arg(english(option.help).replace(u'\'', u' '));
            }
            if (!command.positionals.isEmpty()) {
                out += QStringLiteral("complete -c orvela %1 -F\n").arg(at);
            }
        }
    }
    out += QStringLiteral("complete -c orvela -n '__orvela_at help' -a '%1'\n")
               .arg(nextWords({}).join(u' '));
    return out;
}

int writeDocs(const QString& directory)
{
    const QDir dir(directory);
    if (!dir.mkpath(QStringLiteral("completions"))) {
        printError(QStringLiteral("orvela: cannot create %1").arg(directory));
        return 1;
    }
    const std::pair<QString, QString> files[] = {
        {QStringLiteral("orvela.1"), manPage()},
        {QStringLiteral("completions/orvela.bash"), bashCompletion()},
        {QStringLiteral("completions/_orvela"), zshCompletion()},
        {QStringLiteral("completions/orvela.fish"), fishCompletion()},
    };
    for (const auto& [name, content] : files) {
        QSaveFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(content.toUtf8()) < 0 ||
            !file.commit()) {
            printError(QStringLiteral("orvela: %1: %2").arg(file.fileName(), file.errorString()));
            return 1;
        }
    }
    return 0;
}

} // namespace orvela::cli
