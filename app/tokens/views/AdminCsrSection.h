#pragma once

#include "components/Card.h"
#include "components/Prompts.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace orvela::common {
class LocalizationService;
}
namespace orvela::components {
class ActionButton;
}

namespace orvela::tokens {
class AdminCsrController;
}

namespace orvela::tokens::views {

/// The certificate request: its fields, the PEM once made, copy and save.
class AdminCsrSection : public components::Card {
    Q_OBJECT

public:
    AdminCsrSection(AdminCsrController& controller, common::LocalizationService& localization,
                    components::Prompts& prompts, QWidget* parent);

    /// Puts exactly the PEM on the clipboard as plain text.
    void copyPem();
    /// Asks where to save the PEM and writes it there.
    void chooseSaveTarget();

private:
    void retranslate();
    void refresh();

    AdminCsrController& m_controller;
    common::LocalizationService& m_localization;
    components::Prompts& m_prompts;
    QLineEdit* m_registry;
    QLineEdit* m_pin;
    QLineEdit* m_keyLabel;
    components::ActionButton* m_submit;
    QPlainTextEdit* m_pem;
    components::ActionButton* m_copy;
    components::ActionButton* m_save;
};

} // namespace orvela::tokens::views
