#include "orvela/tokenkit/CSR.h"

namespace orvela::tokenkit {

CSRError CSRError::signerFailed(std::string message)
{
    std::string text = "Signer алдаа: " + message;
    return CSRError(Code::signerFailed, std::move(text), std::move(message));
}

CSRError CSRError::invalidPublicKey()
{
    return CSRError(Code::invalidPublicKey,
                    "Public key буруу (P-256 uncompressed 65 байт байх ёстой).");
}

} // namespace orvela::tokenkit
