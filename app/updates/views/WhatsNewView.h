#pragma once

#include "updates/Changelog.h"

#include <QDialog>
#include <QList>
#include <utility>

class QLabel;
class QPushButton;

namespace orvela::common {
class LocalizationService;
}

namespace orvela::updates::views {

/// The release-notes sheet: the program's name and installed version, then each release's
/// notes with icons tinted by kind, and a button to close it; every text in the interface
/// language, redrawn when it changes.
class WhatsNewView : public QDialog {
    Q_OBJECT

public:
    /// `localization` must outlive the sheet.
    WhatsNewView(const QList<ChangelogEntry>& history, const QString& version,
                 common::LocalizationService& localization, QWidget* parent = nullptr);

private:
    void retranslate();
    QWidget* entryBlock(const ChangelogEntry& entry);
    QWidget* itemRow(const ChangelogItem& item);

    common::LocalizationService& m_localization;
    QLabel* m_title;
    QPushButton* m_done;
    /// Each release-notes line with its key.
    QList<std::pair<QLabel*, QString>> m_lines;
    QList<std::pair<QLabel*, QDate>> m_dates;
};

} // namespace orvela::updates::views
