#include "tokens/TokenTargets.h"

#include "tokens/TokenManager.h"
#include "tokens/TokenWork.h"

namespace orvela::tokens {

TokenTargets::TokenTargets(TokenManager& manager, TokenProvisioner::Options options,
                           QObject* parent)
    : QObject(parent), m_manager(manager), m_options(std::move(options))
{
    connect(&manager, &TokenManager::tokenInfoChanged, this, &TokenTargets::changed);
    connect(&manager, &TokenManager::readerNamesChanged, this, &TokenTargets::changed);
}

QString TokenTargets::apduReader() const
{
    const QStringList names = m_manager.readerNames();
    const int index = m_manager.readerIndex();
    return index >= 0 && index < names.size() ? names.at(index) : QString();
}

std::optional<std::string> TokenTargets::apduLabel() const
{
    const auto& info = m_manager.tokenInfo();
    return info ? std::optional(info->label) : std::nullopt;
}

bool TokenTargets::differ() const
{
    const auto apdu = apduLabel();
    return apdu && m_pkcs11 && *apdu != m_pkcs11->label;
}

void TokenTargets::refresh()
{
    const quint64 lookup = ++m_lookup;
    m_looking = true;
    emit changed();
    runPkcs11Work(
        this, [options = m_options] { return TokenProvisioner(options).firstToken(); },
        [this, lookup](const TokenOutcome<Pkcs11Token>& outcome) {
            if (lookup != m_lookup) {
                return;
            }
            m_looking = false;
            m_pkcs11 = outcome.value;
            m_failure = outcome.ok() ? std::nullopt : std::optional(outcome.failure);
            emit changed();
        });
}

} // namespace orvela::tokens
