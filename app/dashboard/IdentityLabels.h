#pragma once

#include "common/AppLanguage.h"

#include <QString>

namespace orvela::dashboard {

/// How the person's identity was verified, named from the assurance level ("dan", "corvane",
/// "manual", in any case); an empty level is "Unknown", any other level is shown as stored.
QString verificationMethodLabel(const QString& kycLevel, common::AppLanguage language);

/// "Active" for an active account; any other status is shown as stored.
QString accountStatusLabel(const QString& status, common::AppLanguage language);

} // namespace orvela::dashboard
