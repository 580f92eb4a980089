#include "tokens/views/KeyedTexts.h"

#include "common/LocalizationService.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>

namespace orvela::tokens::views {

KeyedTexts::KeyedTexts(const common::LocalizationService& localization, QObject* parent)
    : QObject(parent), m_localization(localization)
{
    connect(&localization, &common::LocalizationService::languageChanged, this,
            &KeyedTexts::retranslate);
}

void KeyedTexts::label(QLabel* label, const char* key)
{
    add([label](const QString& text) { label->setText(text); }, key);
}

void KeyedTexts::button(QAbstractButton* button, const char* key)
{
    add([button](const QString& text) { button->setText(text); }, key);
}

void KeyedTexts::placeholder(QLineEdit* field, const char* key)
{
    add([field](const QString& text) { field->setPlaceholderText(text); }, key);
}

void KeyedTexts::accessibleName(QWidget* widget, const char* key)
{
    add([widget](const QString& text) { widget->setAccessibleName(text); }, key);
}

void KeyedTexts::add(std::function<void(const QString&)> show, const char* key)
{
    show(m_localization.localized(QLatin1String(key)));
    m_rows.emplace_back(std::move(show), key);
}

void KeyedTexts::retranslate()
{
    for (const auto& [show, key] : m_rows) {
        show(m_localization.localized(QLatin1String(key)));
    }
}

} // namespace orvela::tokens::views
