#pragma once

#include <QWidget>

class QLabel;
class QToolButton;

namespace orvela::common {
class LocalizationService;
}
namespace orvela::updates {
class UpdateViewModel;
}

namespace orvela::updates::views {

/// The sidebar's version line: a button "v<version>" that runs an update check, the time of
/// the last check, and a notice with the download link when a newer release exists.
class UpdateInfoView : public QWidget {
    Q_OBJECT

public:
    UpdateInfoView(UpdateViewModel& model, common::LocalizationService& localization,
                   QWidget* parent = nullptr);

private:
    void redraw();

    UpdateViewModel& m_model;
    common::LocalizationService& m_localization;
    QToolButton* m_versionButton;
    QLabel* m_lastChecked;
    QWidget* m_availableRow;
    QLabel* m_available;
};

} // namespace orvela::updates::views
