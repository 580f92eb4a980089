#pragma once

#include "common/AppLanguage.h"
#include "common/KeyedText.h"
#include "common/LocalizationTables.h"

#include <QObject>
#include <QString>

class QSettings;

namespace orvela::common {

/// The current interface language and text lookup by key. Screens read texts through
/// `localized` and redraw on `languageChanged`, so a switch shows at once without a restart.
/// Lives on the interface thread.
class LocalizationService : public QObject {
    Q_OBJECT
    Q_PROPERTY(
        orvela::common::AppLanguage language READ language WRITE setLanguage NOTIFY languageChanged)

public:
    /// Reads "app_language" from `store` ("mn" or "en"; anything else, or nothing, means
    /// Mongolian) and writes nothing. `store` must outlive the service.
    explicit LocalizationService(QSettings* store,
                                 const LocalizationTables& tables = LocalizationTables::builtIn(),
                                 QObject* parent = nullptr);

    /// The process-wide instance the shell and every screen use, over the application's
    /// settings. Created on first use; needs the application's name set before that.
    static LocalizationService& shared();

    AppLanguage language() const { return m_language; }

    /// Switches the language, stores it under "app_language" and announces it. Choosing the
    /// current language again stores and announces nothing.
    void setLanguage(AppLanguage language);

    /// Uses `language` for this process only, leaving "app_language" as it is: for a
    /// command-line run given --lang.
    void overrideLanguage(AppLanguage language);

    /// The text of `key` in the current language. Looks in that language's main table, then its
    /// extra table, then the Mongolian main and extra tables; an unknown key comes back as is.
    QString localized(const QString& key) const;

    /// `text` worded in the current language: its key's text with "%1" filled in, or followed by
    /// the argument when the text has no "%1".
    QString localized(const KeyedText& text) const;

signals:
    void languageChanged(orvela::common::AppLanguage language);

private:
    QSettings* m_store;
    const LocalizationTables& m_tables;
    AppLanguage m_language = AppLanguage::mn;
};

} // namespace orvela::common
