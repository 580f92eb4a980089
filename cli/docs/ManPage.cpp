#include "CliCommand.h"
#include "CliHelp.h"
#include "CliLocalization.h"
#include "CliOutput.h"
#include "common/BuildInfo.h"
#include "docs/CliDocs.h"

#include <QCoreApplication>

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
.B verify
verdict and problem (words such as valid, notTrusted, changed, invalid; byteRangeMalformed),
signatures (array of {field, kind, subFilter, verdict, problem, byteRange, coversWholeDocument,
changes, signer, trust, claimedTime, provedTime, timestampAuthority}).
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
.TP
.B 3
\fBverify\fR: the signatures are intact, but a signer's authority is not trusted here.
.TP
.B 4
\fBverify\fR: the document was changed after it was signed.
.TP
.B 5
\fBverify\fR: a signature is invalid, or the file is no signed PDF.
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
                      .arg(QString::fromLatin1(common::version));
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

} // namespace orvela::cli
