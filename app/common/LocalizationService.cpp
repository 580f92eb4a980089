#include "common/LocalizationService.h"

#include "common/LocalInput.h"
#include "common/SettingsKeys.h"

#include <QSettings>
#include <array>

namespace orvela::common {

LocalizationService::LocalizationService(QSettings* store, const LocalizationTables& tables,
                                         QObject* parent)
    : QObject(parent), m_store(store), m_tables(tables)
{
    const QString stored = m_store->value(settings::appLanguage.toString()).toString();
    m_language = appLanguageFromRaw(stored).value_or(AppLanguage::mn);
}

LocalizationService& LocalizationService::shared()
{
    static QSettings settings;
    static LocalizationService instance(&settings);
    return instance;
}

void LocalizationService::setLanguage(AppLanguage language)
{
    if (language == m_language) {
        return;
    }
    m_language = language;
    m_store->setValue(settings::appLanguage.toString(), rawValue(language));
    // Settings are written at once by the control that owns them, not at some later flush.
    m_store->sync();
    emit languageChanged(language);
}

void LocalizationService::overrideLanguage(AppLanguage language)
{
    if (language != m_language) {
        m_language = language;
        emit languageChanged(language);
    }
}

QString LocalizationService::localized(const QString& key) const
{
    // Each table is asked for only when the lookup reaches it, so unused tables stay unbuilt.
    struct Step {
        bool main;
        AppLanguage language;
    };
    const std::array<Step, 4> chain{{
        {true, m_language},
        {false, m_language},
        {true, AppLanguage::mn},
        {false, AppLanguage::mn},
    }};
    for (const Step& step : chain) {
        const StringTable& table =
            step.main ? m_tables.mainTable(step.language) : m_tables.extraTable(step.language);
        const auto hit = table.constFind(key);
        if (hit != table.constEnd()) {
            return *hit;
        }
    }
    return key;
}

QString LocalizationService::localized(const KeyedText& text) const
{
    const QString argument = text.input ? localInputMessage(*text.input, *this) : text.argument;
    if (text.key.isEmpty()) {
        return argument;
    }
    const QString worded = localized(text.key);
    return worded.contains(QLatin1String("%1")) ? worded.arg(argument) : worded + argument;
}

} // namespace orvela::common
