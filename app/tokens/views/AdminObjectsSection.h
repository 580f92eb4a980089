#pragma once

#include "components/Card.h"
#include "components/Prompts.h"

class QLabel;
class QLineEdit;
class QVBoxLayout;

namespace orvela::common {
class LocalizationService;
}
namespace orvela::components {
class ActionButton;
}

namespace orvela::tokens {
class AdminObjectsController;
}

namespace orvela::tokens::views {

/// Token objects: the shared PIN, load and import, and a row per object with its delete.
class AdminObjectsSection : public components::Card {
    Q_OBJECT

public:
    AdminObjectsSection(AdminObjectsController& controller,
                        common::LocalizationService& localization, components::Prompts& prompts,
                        QWidget* parent);

    /// Runs the file chooser and imports what the person picked.
    void chooseCertificate();

    /// The symbol a row of that kind shows.
    static QString symbolOf(const QString& kind);

private:
    void retranslate();
    void refresh();
    void rebuildRows();
    QWidget* makeRow(const QString& idHex, const QString& label, const QString& kind,
                     const QString& keyType);

    AdminObjectsController& m_controller;
    common::LocalizationService& m_localization;
    components::Prompts& m_prompts;
    QLabel* m_pinLabel;
    QLineEdit* m_pin;
    components::ActionButton* m_load;
    components::ActionButton* m_import;
    QLabel* m_empty;
    QVBoxLayout* m_rows;
};

} // namespace orvela::tokens::views
