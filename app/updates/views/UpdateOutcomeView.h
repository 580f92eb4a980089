#pragma once

#include "updates/UpdateCheckResult.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace orvela::common {
class LocalizationService;
}

namespace orvela::updates::views {

/// The answer to an update check: up to date, a new version with its notes and download link,
/// or why the check failed; worded in the interface language and redrawn when it changes.
class UpdateOutcomeView : public QDialog {
    Q_OBJECT

public:
    /// `localization` must outlive the window.
    UpdateOutcomeView(common::LocalizationService& localization, QWidget* parent = nullptr);

    /// Shows `result`, the outcome of a check against `installedVersion`.
    void setResult(const UpdateCheckResult& result, const QString& installedVersion);

private:
    void redraw();

    common::LocalizationService& m_localization;
    UpdateCheckResult m_result;
    QString m_installedVersion;
    QLabel* m_icon;
    QLabel* m_title;
    QLabel* m_message;
    QLabel* m_notesTitle;
    QPlainTextEdit* m_notes;
    QLabel* m_link;
    QPushButton* m_download;
    QPushButton* m_close;
};

} // namespace orvela::updates::views
