#pragma once

#include "components/Card.h"

#include <array>

class QLabel;
class QLineEdit;

namespace orvela::common {
class LocalizationService;
}
namespace orvela::components {
class ActionButton;
}

namespace orvela::tokens {
class AdminPinController;
}

namespace orvela::tokens::views {

/// One PIN section (change, unlock or change SO): three secure fields and its action.
class AdminPinSection : public components::Card {
    Q_OBJECT

public:
    AdminPinSection(AdminPinController& controller, common::LocalizationService& localization,
                    QWidget* parent);

    /// The field widgets in order: current (or SO) PIN, new PIN, confirmation.
    const std::array<QLineEdit*, 3>& fields() const { return m_fields; }
    components::ActionButton* actionButton() const { return m_action; }

private:
    struct Keys {
        const char* section;
        const char* hint;
        std::array<const char*, 3> fields;
        const char* action;
        const char* symbol;
    };
    static const Keys& keysOf(const AdminPinController& controller);

    void retranslate();
    void refresh();

    AdminPinController& m_controller;
    common::LocalizationService& m_localization;
    const Keys& m_keys;
    QLabel* m_hint;
    std::array<QLabel*, 3> m_labels{};
    std::array<QLineEdit*, 3> m_fields{};
    components::ActionButton* m_action;
};

} // namespace orvela::tokens::views
