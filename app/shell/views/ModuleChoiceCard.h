#pragma once

#include "components/Card.h"

class QComboBox;
class QLabel;

namespace orvela::common {
class LocalizationService;
}
namespace orvela::components {
class Prompts;
}
namespace orvela::shell {
class Pkcs11ModuleSetting;
}

namespace orvela::shell::views {

/// The settings card of the PKCS#11 module: automatic, each module p11-kit registers, the
/// chosen file, and "Other file…", which asks for a library file.
class ModuleChoiceCard : public components::Card {
    Q_OBJECT
public:
    /// All references must outlive the card.
    ModuleChoiceCard(Pkcs11ModuleSetting& setting, components::Prompts& prompts,
                     common::LocalizationService& localization, QWidget* parent = nullptr);

    void retranslate();

private:
    void showState();
    void onActivated(int index);

    Pkcs11ModuleSetting& m_setting;
    components::Prompts& m_prompts;
    common::LocalizationService& m_localization;
    QComboBox* m_modules;
    QLabel* m_hint;
    QLabel* m_failure;
};

} // namespace orvela::shell::views
