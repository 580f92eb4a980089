#pragma once

#include <QObject>
#include <QString>
#include <QStringView>
#include <array>
#include <optional>

namespace orvela::common {
Q_NAMESPACE

/// An interface language. Mongolian comes first: it is the default and the last fallback, and
/// pickers list the languages in this order.
enum class AppLanguage { mn, en };
Q_ENUM_NS(AppLanguage)

/// Every language, in picker order.
inline constexpr std::array<AppLanguage, 2> kAllAppLanguages{AppLanguage::mn, AppLanguage::en};

/// The persisted text of a language: "mn" or "en".
QString rawValue(AppLanguage language);

/// The language whose raw value is exactly `raw`; any other text (including "EN" or "") gives none.
std::optional<AppLanguage> appLanguageFromRaw(QStringView raw);

} // namespace orvela::common
