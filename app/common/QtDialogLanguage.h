#pragma once

#include "common/AppLanguage.h"

#include <QObject>
#include <QTranslator>

namespace orvela::common {

class LocalizationService;

/// Qt's own texts (standard buttons, the file chooser, message boxes) for the interface
/// language, switched with it. The system's Qt catalogue for the language is used where the
/// distribution ships one; Mongolian has none, so the texts a person meets in those dialogs
/// come from a table of our own.
class QtDialogLanguage : public QObject {
    Q_OBJECT

public:
    /// Installs the texts of the current language at once. `localization` must outlive this.
    explicit QtDialogLanguage(LocalizationService& localization, QObject* parent = nullptr);
    ~QtDialogLanguage() override;

    /// Our own text for Qt's `source` in `context`, or an empty text where we have none.
    static QString ownMongolianText(const char* context, const char* source);

private:
    /// Answers Qt's lookups from our own table.
    class OwnTexts : public QTranslator {
    public:
        bool isEmpty() const override { return false; }
        QString translate(const char* context, const char* sourceText, const char* disambiguation,
                          int n) const override;
    };

    void follow(AppLanguage language);

    QTranslator m_catalogue;
    OwnTexts m_own;
};

} // namespace orvela::common
