#pragma once

#include "signing/PdfSignatureVerifier.h"

#include <QByteArray>

class QSettings;

namespace orvela::signing {

/// The largest trust bundle read; a bundle of every public authority is well under this.
inline constexpr qint64 maxTrustBundleSize = 8 * 1024 * 1024;

/// Whom signed PDFs are checked against, the same for the verification page, the signing flow
/// and `orvela`: the system's authorities, the PEM bundle named by "signing.trustBundlePath"
/// (unreadable or absent: none), and `extraPem` (the demo's simulator authority).
VerifyOptions configuredTrust(const QSettings& settings, const QByteArray& extraPem = {});

} // namespace orvela::signing
