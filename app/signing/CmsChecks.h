#pragma once

#include "signing/ByteRangeCheck.h"
#include "signing/PdfSignatureReport.h"

#include <QByteArrayView>
#include <QDateTime>
#include <functional>
#include <string>

using EVP_MD = struct evp_md_st;

namespace orvela::signing {

class TrustStore;

/// What the CMS of one signature or document timestamp showed.
struct CmsFindings {
    Problem problem = Problem::none;
    SignerDetails signer;
    Trust trust = Trust::unknownAuthority;
    std::optional<QDateTime> claimedTime;
    std::optional<QDateTime> provedTime;
    QString timestampAuthority;
};

/// The digest `md` of the signed bytes, read in place.
std::string digestOfRanges(const EVP_MD* md, QByteArrayView file, const SignedRanges& ranges);

/// Checks a detached CMS signature (adbe.pkcs7.detached, ETSI.CAdES.detached) over the ranges:
/// one signer, an accepted digest, a messageDigest equal to the ranges' digest, a signature
/// value that verifies over the signed attributes, the signer's certificate, its chain, and an
/// RFC 3161 signature timestamp when one is attached. `now` judges the chain unless a time is
/// proved.
CmsFindings checkCmsSignature(const std::string& der, QByteArrayView file,
                              const SignedRanges& ranges, const TrustStore& trust,
                              const QDateTime& now);

/// Checks a document timestamp (ETSI.RFC3161): `der` is a TimeStampToken whose imprint must be
/// the ranges' digest; its time is proved when its authority is trusted.
CmsFindings checkDocumentTimestamp(const std::string& der, QByteArrayView file,
                                   const SignedRanges& ranges, const TrustStore& trust);

/// The parts of a timestamp token that matter here.
struct TokenFindings {
    Problem problem = Problem::none; ///< signatureUnreadable, weakDigest, digestMismatch, …
    Trust trust = Trust::unknownAuthority;
    QDateTime time;
    QString authority;
    SignerDetails signer;
};

/// Checks a TimeStampToken: its signature, that its imprint equals `imprintOf(its digest)`,
/// and its authority's chain (with the timeStamping purpose) at the stamped time.
TokenFindings checkTimestampToken(const unsigned char* der, long size,
                                  const std::function<std::string(const EVP_MD*)>& imprintOf,
                                  const TrustStore& trust);

} // namespace orvela::signing
