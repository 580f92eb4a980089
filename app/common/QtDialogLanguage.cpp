#include "common/QtDialogLanguage.h"

#include "common/LocalizationService.h"
#include "common/l10n/StringRows.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <string>

namespace orvela::common {

QtDialogLanguage::QtDialogLanguage(LocalizationService& localization, QObject* parent)
    : QObject(parent)
{
    follow(localization.language());
    connect(&localization, &LocalizationService::languageChanged, this, &QtDialogLanguage::follow);
}

QtDialogLanguage::~QtDialogLanguage()
{
    QCoreApplication::removeTranslator(&m_catalogue);
    QCoreApplication::removeTranslator(&m_own);
}

void QtDialogLanguage::follow(AppLanguage language)
{
    QCoreApplication::removeTranslator(&m_catalogue);
    QCoreApplication::removeTranslator(&m_own);
    if (language == AppLanguage::mn) {
        QCoreApplication::installTranslator(&m_own);
    }
    // Installed last, so asked first: a catalogue the system has outranks our own texts.
    if (m_catalogue.load(QStringLiteral("qtbase_") + rawValue(language),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(&m_catalogue);
    }
}

QString QtDialogLanguage::ownMongolianText(const char* context, const char* source)
{
    const std::string wanted = std::string(context) + '|' + source;
    for (const l10n::StringRow& row : l10n::qtDialogStringRows()) {
        if (row.key == wanted) {
            return QString::fromUtf8(row.mongolian.data(),
                                     static_cast<qsizetype>(row.mongolian.size()));
        }
    }
    return {};
}

QString QtDialogLanguage::OwnTexts::translate(const char* context, const char* sourceText,
                                              const char* /*disambiguation*/, int /*n*/) const
{
    if (context == nullptr || sourceText == nullptr) {
        return {};
    }
    return ownMongolianText(context, sourceText);
}

} // namespace orvela::common
