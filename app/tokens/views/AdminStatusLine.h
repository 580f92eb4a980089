#pragma once

#include "components/InlineBanner.h"

namespace orvela::common {
class LocalizationService;
}
namespace orvela::tokens {
class AdminActionState;
}

namespace orvela::tokens::views {

/// The message line of one administration action: progress, success or error, kept in step
/// with its state, worded in the interface language of the moment (a token failure too) and again
/// after a language switch, and hidden while there is nothing to say.
class AdminStatusLine : public components::InlineBanner {
    Q_OBJECT

public:
    AdminStatusLine(const AdminActionState& state, const common::LocalizationService& localization,
                    QWidget* parent);

private:
    void refresh();

    const AdminActionState& m_state;
    const common::LocalizationService& m_localization;
};

} // namespace orvela::tokens::views
