#include "platform/KeychainError.h"

namespace orvela::platform {

namespace {

const char* causeName(KeychainError::Cause cause)
{
    using Cause = KeychainError::Cause;
    switch (cause) {
    case Cause::notFound:
        return "not found";
    case Cause::locked:
        return "locked";
    case Cause::cancelled:
        return "cancelled";
    case Cause::unavailable:
        return "unavailable";
    case Cause::unsupported:
        return "unsupported";
    case Cause::failed:
        return "failed";
    case Cause::none:
        break;
    }
    return "";
}

} // namespace

QString KeychainError::message() const
{
    switch (m_kind) {
    case Kind::saveFailed:
        return QStringLiteral("credential store: save failed (%1)").arg(causeName(m_cause));
    case Kind::loadFailed:
        return QStringLiteral("credential store: load failed (%1)").arg(causeName(m_cause));
    case Kind::deleteFailed:
        return QStringLiteral("credential store: delete failed (%1)").arg(causeName(m_cause));
    case Kind::invalidData:
        return QStringLiteral("credential store: the stored data is invalid");
    }
    return {};
}

} // namespace orvela::platform
