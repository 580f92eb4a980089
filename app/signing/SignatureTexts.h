#pragma once

#include "signing/PdfSignatureReport.h"

namespace orvela::signing {

/// Keys of the string tables that word the report's values; a screen or a command looks them
/// up in the interface language.
const char* verdictKey(Verdict verdict);
const char* problemKey(Problem problem);
const char* changeKey(Change change);
const char* trustKey(Trust trust);
/// The key of a key usage name ("digitalSignature", …); null for one we do not know.
const char* keyUsageKey(const QString& usage);

/// Stable words for scripts (JSON output): "valid", "notTrusted", "byteRangeMalformed", …
QString verdictName(Verdict verdict);
QString problemName(Problem problem);
QString changeName(Change change);
QString trustName(Trust trust);

} // namespace orvela::signing
