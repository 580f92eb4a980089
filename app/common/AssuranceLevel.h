#pragma once

#include "common/AppLanguage.h"

#include <QString>

namespace orvela::common {

/// The assurance level the backend reports for a person's certificate ("QUALIFIED"), worded in
/// `language`; a level this program does not know is shown as the backend sent it, and none
/// as "—".
QString assuranceLevelLabel(const QString& level, AppLanguage language);

} // namespace orvela::common
