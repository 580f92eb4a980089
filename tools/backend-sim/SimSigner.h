#pragma once

#include "Pades.h"
#include "SimOutcome.h"

#include <QByteArray>
#include <QHash>
#include <QString>

namespace orvela::backendsim {

/// The simulator's signing service: its own certificate authority and timestamp authority, a
/// signer certificate per register number, and genuine PAdES signatures, or the hostile copy a
/// session was armed with.
class SimSigner {
public:
    /// Fresh authorities, held in memory.
    SimSigner();
    /// The authorities kept in `directory` (ca.pem, ca-key.pem, tsa.pem, tsa-key.pem), made and
    /// written there the first time. Throws pades::PadesError when they can be neither read nor
    /// written.
    explicit SimSigner(const QString& directory);

    /// The authority's certificate, PEM: what a client must trust to accept the copies.
    QByteArray authorityPem() const;

    /// The copy of `pdf` signed for `registerNumber` (named `name`), with a signature timestamp,
    /// and then spoiled as `tamper` says. Throws pades::PadesError for a file it cannot sign.
    QByteArray sign(const QByteArray& pdf, const QString& registerNumber, const QString& name,
                    SignedCopyTamper tamper);

private:
    const pades::Credential& signerFor(const QString& registerNumber, const QString& name);

    pades::Credential m_authority;
    pades::Credential m_timestamper;
    QHash<QString, pades::Credential> m_signers;
};

} // namespace orvela::backendsim
