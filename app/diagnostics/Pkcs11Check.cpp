#include "diagnostics/Pkcs11Check.h"

#include "orvela/tokenkit/PKCS11Module.h"
#include "tokens/ModuleChoice.h"

namespace orvela::diagnostics {

namespace {

using tokenkit::P11Error;
using tokenkit::PKCS11Module;

QString text(const std::string& value)
{
    return QString::fromStdString(value);
}

/// The state of a token's user PIN, worst first.
QString pinStateKey(const PKCS11Module::TokenStatus& token)
{
    if (token.userPinLocked) {
        return QStringLiteral("Diag_Value_PinLocked");
    }
    if (token.userPinFinalTry) {
        return QStringLiteral("Diag_Value_PinFinalTry");
    }
    if (token.userPinCountLow) {
        return QStringLiteral("Diag_Value_PinCountLow");
    }
    return QStringLiteral("Diag_Value_PinFine");
}

void judgeToken(const PKCS11Module::TokenStatus& token, Check& check)
{
    if (token.userPinLocked) {
        check.judge(Verdict::problem, QStringLiteral("Diag_Pkcs11_PinLocked"),
                    QStringLiteral("Diag_Pkcs11_PinLocked_Advice"));
    } else if (token.userPinFinalTry || token.userPinCountLow) {
        check.judge(Verdict::warning, QStringLiteral("Diag_Pkcs11_PinLow"),
                    QStringLiteral("Diag_Pkcs11_PinLow_Advice"));
    }
    // A slot that is not set up is no fault: a software token keeps a free one always.
}

/// The library's information, slots and tokens; throws what the module throws.
void describe(PKCS11Module& module, Check& check)
{
    module.initialize();
    if (auto info = module.libraryInfo()) {
        check.add(QStringLiteral("Diag_Fact_Library"),
                  text(info->description + " — " + info->manufacturer + " " + info->libraryVersion +
                       ", Cryptoki " + info->cryptokiVersion));
    }
    const auto all = module.getSlotList(false);
    const auto withToken = module.getSlotList(true);
    check.add(QStringLiteral("Diag_Fact_Slots"), QString::number(all.size()));
    for (const auto slot : withToken) {
        const auto token = module.tokenStatus(slot);
        if (!token) {
            continue;
        }
        check.addWord(QStringLiteral("Diag_Fact_Token"),
                      token->initialized ? pinStateKey(*token)
                                         : QStringLiteral("Diag_Value_NotInitialized"),
                      QStringLiteral("«%1» #%2").arg(text(token->label)).arg(slot));
        judgeToken(*token, check);
    }
    module.finalize();
}

/// One module's lines; a module that does not load or answer is judged `failing`.
void probeModule(const QString& labelKey, const QString& shown, const std::string& path,
                 Verdict failing, Check& check)
{
    check.add(labelKey, shown);
    try {
        auto module = PKCS11Module::open(path);
        describe(*module, check);
    } catch (const P11Error& error) {
        check.addWord(QStringLiteral("Diag_Fact_Loads"), QStringLiteral("Diag_Value_No"),
                      text(error.errorDescription()));
        check.judge(failing,
                    failing == Verdict::problem ? QStringLiteral("Diag_Pkcs11_ChosenFails")
                                                : QStringLiteral("Diag_Pkcs11_RegisteredFails"),
                    QStringLiteral("Diag_Pkcs11_Fails_Advice"));
    }
}

} // namespace

Check pkcs11Check(const std::vector<tokens::RegisteredModule>& registered,
                  const std::optional<std::string>& configured)
{
    Check check{QStringLiteral("pkcs11"), QStringLiteral("Diag_Pkcs11_Title")};
    check.judge(Verdict::fine, QStringLiteral("Diag_Pkcs11_Fine"));
    if (configured) {
        probeModule(QStringLiteral("Diag_Fact_Chosen"), text(*configured), *configured,
                    Verdict::problem, check);
    } else {
        check.addWord(QStringLiteral("Diag_Fact_Chosen"), QStringLiteral("Diag_Value_Defaults"));
    }
    for (const tokens::RegisteredModule& module : registered) {
        if (configured && module.path.toStdString() == *configured) {
            continue;
        }
        probeModule(QStringLiteral("Diag_Fact_Module"),
                    module.name + QStringLiteral(" — ") + module.path, module.path.toStdString(),
                    Verdict::warning, check);
    }
    if (registered.empty() && !configured) {
        check.judge(Verdict::warning, QStringLiteral("Diag_Pkcs11_None"),
                    QStringLiteral("Diag_Pkcs11_None_Advice"));
    }
    return check;
}

} // namespace orvela::diagnostics
