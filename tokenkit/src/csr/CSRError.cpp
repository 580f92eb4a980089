#include "orvela/tokenkit/CSR.h"

namespace orvela::tokenkit {

CSRError CSRError::signerFailed(std::string message)
{
    return CSRError(Code::signerFailed, "Signer алдаа: " + message);
}

CSRError CSRError::invalidPublicKey()
{
    return CSRError(Code::invalidPublicKey,
                    "Public key буруу (P-256 uncompressed 65 байт байх ёстой).");
}

} // namespace orvela::tokenkit
