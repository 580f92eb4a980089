#include "state/KeychainError.h"

namespace orvela::state {

QString KeychainError::message() const
{
    const QString code = QString::number(m_status);
    switch (m_kind) {
    case Kind::saveFailed:
        return QStringLiteral("Keychain хадгалах алдаа: ") + code;
    case Kind::loadFailed:
        // The last letter of "уншиx" is a Latin x; the text is kept as users have seen it.
        return QStringLiteral("Keychain уншиx алдаа: ") + code;
    case Kind::deleteFailed:
        return QStringLiteral("Keychain устгах алдаа: ") + code;
    case Kind::invalidData:
        return QStringLiteral("Буруу өгөгдөл.");
    }
    return {};
}

} // namespace orvela::state
