#pragma once

#include <QString>
#include <optional>

namespace orvela::backendsim {

/// What the signing service does to the copy it returns: signs it as asked, or one of the hostile
/// things a client must catch before it calls a copy signed.
enum class SignedCopyTamper {
    none,           ///< a genuine signature by the person asked for, timestamped
    unsigned_,      ///< the uploaded bytes back, unsigned
    otherDocument,  ///< another document, genuinely signed
    otherSigner,    ///< the document signed by someone else (another register number)
    appendedAfter,  ///< signed, then content appended in a later revision
    byteRangeGap,   ///< signed, then a revision hidden in a byte range that skips it
    brokenContents, ///< signed, then the signature value emptied
};

/// How the simulated phone answers one session.
struct SimOutcome {
    QString endResult = QStringLiteral("OK"); ///< "OK", "USER_REFUSED", "TIMEOUT", any code
    std::optional<QString> error;             ///< sent as "error" in the final status instead
    int approveAfterMs = -1;                  ///< -1: the simulator's default delay
    QString name = QStringLiteral("Батын Болд");
    std::optional<QString> idNumber; ///< default: the number asked for, else the approver's
    /// Who approves on the phone a session that named nobody (a QR sign-in): a real backend
    /// knows that person, so the reply carries their register number.
    QString approverRegisterNumber = QStringLiteral("УБ99112233");
    QString documentNumber = QStringLiteral("MN0012345");
    QString certificateLevel = QStringLiteral("QUALIFIED");
    /// What the signing upload of this session returns.
    SignedCopyTamper copy = SignedCopyTamper::none;
};

/// A fault the next matching requests receive instead of their normal reply.
enum class SimFault {
    rateLimited,    ///< 429 {"error":"rate_limited"}
    serverText,     ///< 500 with a plain-text body
    badGatewayJson, ///< 502 {"error":"upstream unavailable"}
    malformedJson,  ///< 200 with a body that is not JSON
    slow,           ///< the normal reply, after a delay
    drop,           ///< the connection is closed without a reply
};

} // namespace orvela::backendsim
