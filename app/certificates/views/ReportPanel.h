#pragma once

#include "certificates/CertificateReport.h"

#include <QWidget>

class QVBoxLayout;

namespace orvela::certificates::views {

/// The certificate report: the validity badge, then one card per section with a label column
/// and selectable values.
class ReportPanel : public QWidget {
    Q_OBJECT
public:
    explicit ReportPanel(QWidget* parent = nullptr);

    void show(const CertificateReport& report);

private:
    void clearContent();

    QVBoxLayout* m_layout;
};

} // namespace orvela::certificates::views
