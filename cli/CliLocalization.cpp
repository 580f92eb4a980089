#include "CliLocalization.h"

#include "common/l10n/CliStrings.h"

#include <QHash>

namespace orvela::cli {

namespace {

QHash<QString, QString> tableOf(common::AppLanguage language)
{
    QHash<QString, QString> table;
    for (const auto& row : common::l10n::cliStringRows()) {
        const std::string_view text =
            language == common::AppLanguage::en ? row.english : row.mongolian;
        table.insert(QString::fromUtf8(row.key.data(), qsizetype(row.key.size())),
                     QString::fromUtf8(text.data(), qsizetype(text.size())));
    }
    return table;
}

} // namespace

bool chooseLanguage(const QString& raw)
{
    if (raw.isNull()) {
        return true;
    }
    const auto language = common::appLanguageFromRaw(raw);
    if (!language) {
        return false;
    }
    common::LocalizationService::shared().overrideLanguage(*language);
    return true;
}

common::LocalizationService& cliLocalization()
{
    return common::LocalizationService::shared();
}

QString cliText(const char* key, common::AppLanguage language)
{
    static const QHash<QString, QString> english = tableOf(common::AppLanguage::en);
    static const QHash<QString, QString> mongolian = tableOf(common::AppLanguage::mn);
    const auto& table = language == common::AppLanguage::en ? english : mongolian;
    const QString name = QString::fromLatin1(key);
    return table.value(name, name);
}

QString cliText(const char* key)
{
    return cliText(key, cliLocalization().language());
}

} // namespace orvela::cli
