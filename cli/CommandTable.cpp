// The tool's one command table: the parser, the help texts, the man page and the shell
// completions are all made from it, so they cannot tell different stories.

#include "CliCommand.h"
#include "commands/CertCommand.h"
#include "commands/DiagnoseCommand.h"
#include "commands/HealthCommand.h"
#include "commands/LoginCommands.h"
#include "commands/Pkcs11Commands.h"
#include "commands/SignCommand.h"
#include "commands/TokenCommands.h"
#include "commands/VerifyCommand.h"

namespace orvela::cli {

namespace {

QStringList words(const char* text)
{
    return QString::fromLatin1(text).split(u' ');
}

CliOption needed(CliOption option, CliOption::Need need = CliOption::Need::required)
{
    option.need = need;
    return option;
}

CliOption readerOption()
{
    return {QStringLiteral("reader"), QStringLiteral("N"), "Cli_Opt_Reader"};
}

CliOption libraryOption()
{
    return {QStringLiteral("library"), QStringLiteral("PATH"), "Cli_Opt_Library"};
}

CliOption keyLabelOption()
{
    return {QStringLiteral("key-label"), QStringLiteral("LABEL"), "Cli_Opt_KeyLabel"};
}

CliOption hashOption()
{
    return {QStringLiteral("hash"), QStringLiteral("HEX"), "Cli_Opt_Hash"};
}

CliOption fileOption()
{
    return {QStringLiteral("file"), QStringLiteral("PATH"), "Cli_Opt_File"};
}

CliCommands buildTable()
{
    const QString apdu = QStringLiteral("apdu");
    const QString p11 = QStringLiteral("pkcs11");
    const QString any;
    return {
        {words("health"), any, "Cli_Cmd_Health", {}, {}, true, runHealth},
        {words("diagnose"), any, "Cli_Cmd_Diagnose", {libraryOption()}, {}, true, runDiagnose},
        {words("login"),
         any,
         "Cli_Cmd_Login",
         {needed({QStringLiteral("register"), QStringLiteral("NUMBER"), "Cli_Opt_Register"},
                 CliOption::Need::oneOf),
          needed({QStringLiteral("qr"), QString(), "Cli_Opt_Qr"}, CliOption::Need::oneOf)},
         {},
         true,
         runLogin},
        {words("whoami"), any, "Cli_Cmd_Whoami", {}, {}, true, runWhoami},
        {words("logout"), any, "Cli_Cmd_Logout", {}, {}, false, runLogout},
        {words("activity"), any, "Cli_Cmd_Activity", {}, {}, true, runActivity},
        {words("sign"),
         any,
         "Cli_Cmd_Sign",
         {{QStringLiteral("out"), QStringLiteral("DIR"), "Cli_Opt_OutDir"}},
         {QStringLiteral("FILE.pdf")},
         true,
         runSign},
        {words("verify"),
         any,
         "Cli_Cmd_Verify",
         {{QStringLiteral("trust"), QStringLiteral("PEM"), "Cli_Opt_Trust"}},
         {QStringLiteral("FILE.pdf")},
         true,
         runVerify},
        {words("cert"), any, "Cli_Cmd_Cert", {}, {QStringLiteral("FILE")}, true, runCert},
        {words("token readers"), any, "Cli_Cmd_TokenReaders", {}, {}, true, token::runReaders},
        {words("token info"), any, "Cli_Cmd_TokenInfo", {readerOption()}, {}, true, token::runInfo},
        {words("token test"), any, "Cli_Cmd_TokenTest", {readerOption()}, {}, true, token::runTest},
        {words("token provision"),
         apdu,
         "Cli_Cmd_TokenProvision",
         {readerOption()},
         {},
         false,
         token::runProvision},
        {words("token keygen"),
         apdu,
         "Cli_Cmd_TokenKeygen",
         {readerOption()},
         {},
         false,
         token::runKeygen},
        {words("token erase"),
         any,
         "Cli_Cmd_TokenErase",
         {readerOption(), {QStringLiteral("yes"), QString(), "Cli_Opt_Yes"}},
         {},
         false,
         token::runErase},
        {words("token sign"),
         apdu,
         "Cli_Cmd_TokenSign",
         {readerOption(), needed(hashOption(), CliOption::Need::oneOf),
          needed(fileOption(), CliOption::Need::oneOf)},
         {},
         true,
         token::runSign},
        {words("token slots"),
         any,
         "Cli_Cmd_TokenSlots",
         {libraryOption()},
         {},
         true,
         pkcs11::runSlots},
        {words("token provision"),
         p11,
         "Cli_Cmd_TokenProvisionP11",
         {libraryOption()},
         {},
         false,
         pkcs11::runProvision},
        {words("token keygen"),
         p11,
         "Cli_Cmd_TokenKeygenP11",
         {libraryOption()},
         {},
         false,
         pkcs11::runKeygen},
        {words("token csr"),
         any,
         "Cli_Cmd_TokenCsr",
         {needed({QStringLiteral("cn"), QStringLiteral("REGISTRY_NUMBER"), "Cli_Opt_Cn"}),
          keyLabelOption(),
          {QStringLiteral("out"), QStringLiteral("FILE"), "Cli_Opt_OutFile"},
          libraryOption()},
         {},
         true,
         pkcs11::runCsr},
        {words("token sign"),
         p11,
         "Cli_Cmd_TokenSignP11",
         {keyLabelOption(), needed(hashOption(), CliOption::Need::oneOf),
          needed(fileOption(), CliOption::Need::oneOf), libraryOption()},
         {},
         true,
         pkcs11::runSign},
        {words("token pin change"),
         any,
         "Cli_Cmd_PinChange",
         {libraryOption()},
         {},
         false,
         pkcs11::runPinChange},
        {words("token pin unlock"),
         any,
         "Cli_Cmd_PinUnlock",
         {libraryOption()},
         {},
         false,
         pkcs11::runPinUnlock},
        {words("token pin change-so"),
         any,
         "Cli_Cmd_PinChangeSo",
         {libraryOption()},
         {},
         false,
         pkcs11::runPinChangeSo},
        {words("token objects list"),
         any,
         "Cli_Cmd_ObjectsList",
         {libraryOption()},
         {},
         true,
         pkcs11::runObjectsList},
        {words("token objects import"),
         any,
         "Cli_Cmd_ObjectsImport",
         {libraryOption()},
         {QStringLiteral("FILE")},
         false,
         pkcs11::runObjectsImport},
        {words("token objects delete"),
         any,
         "Cli_Cmd_ObjectsDelete",
         {needed({QStringLiteral("id"), QStringLiteral("HEX"), "Cli_Opt_Id"}),
          needed({QStringLiteral("kind"),
                  QStringLiteral("KIND"),
                  "Cli_Opt_Kind",
                  {QStringLiteral("privateKey"), QStringLiteral("publicKey"),
                   QStringLiteral("certificate"), QStringLiteral("data")}}),
          libraryOption()},
         {},
         false,
         pkcs11::runObjectsDelete},
    };
}

} // namespace

const CliCommands& commandTable()
{
    static const CliCommands table = buildTable();
    return table;
}

const std::vector<CliGlobalOption>& globalOptions()
{
    static const std::vector<CliGlobalOption> options{
        {QStringLiteral("json"), QString(), QString(), "Cli_Global_Json"},
        {QStringLiteral("pin-stdin"), QString(), QString(), "Cli_Global_PinStdin"},
        {QStringLiteral("road"),
         QString(),
         QStringLiteral("ROAD"),
         "Cli_Global_Road",
         {QStringLiteral("apdu"), QStringLiteral("pkcs11")}},
        {QStringLiteral("api-url"), QString(), QStringLiteral("URL"), "Cli_Global_ApiUrl"},
        {QStringLiteral("lang"),
         QString(),
         QStringLiteral("LANG"),
         "Cli_Global_Lang",
         {QStringLiteral("mn"), QStringLiteral("en")}},
        {QStringLiteral("verbose"), QStringLiteral("v"), QString(), "Cli_Global_Verbose"},
        {QStringLiteral("help"), QStringLiteral("h"), QString(), "Cli_Global_Help"},
        {QStringLiteral("version"), QString(), QString(), "Cli_Global_Version"},
    };
    return options;
}

} // namespace orvela::cli
