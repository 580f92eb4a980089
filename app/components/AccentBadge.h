#pragma once

#include <QLabel>

namespace orvela::components {

/// A compact label in the brand accent, for tags such as "FIPS" or "APDU".
class AccentBadge : public QLabel {
    Q_OBJECT

public:
    explicit AccentBadge(const QString& text = QString(), QWidget* parent = nullptr);
};

} // namespace orvela::components
