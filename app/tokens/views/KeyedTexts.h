#pragma once

#include <QObject>
#include <functional>
#include <vector>

class QAbstractButton;
class QLabel;
class QLineEdit;
class QWidget;

namespace orvela::common {
class LocalizationService;
}

namespace orvela::tokens::views {

/// The texts of one section that are keys of the string tables: each is shown at once and
/// worded again on every language switch. A child of the section, so it lives as long as the
/// widgets it words.
class KeyedTexts : public QObject {
    Q_OBJECT

public:
    KeyedTexts(const common::LocalizationService& localization, QObject* parent);

    void label(QLabel* label, const char* key);
    void button(QAbstractButton* button, const char* key);
    void placeholder(QLineEdit* field, const char* key);
    /// The name a screen reader says for `widget`.
    void accessibleName(QWidget* widget, const char* key);

private:
    void add(std::function<void(const QString&)> show, const char* key);
    void retranslate();

    const common::LocalizationService& m_localization;
    std::vector<std::pair<std::function<void(const QString&)>, const char*>> m_rows;
};

} // namespace orvela::tokens::views
