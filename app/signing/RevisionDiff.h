#pragma once

#include "signing/ChangeKind.h"

#include <QList>

class QPDF;

namespace orvela::signing {

/// What the revisions in `after` beyond `before` (the revision a signature covers) changed,
/// other than what later signing may add: signature fields, their widgets on pages and in the
/// form, signature and document timestamp dictionaries, and validation data (/DSS). Empty
/// when they changed nothing else. Throws what qpdf throws.
QList<Change> changesAfter(QPDF& before, QPDF& after);

} // namespace orvela::signing
