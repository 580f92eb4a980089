#pragma once

#include "components/InlineBanner.h"

namespace orvela::tokens {
class AdminActionState;
}

namespace orvela::tokens::views {

/// The message line of one administration action: progress, success or error, kept in step
/// with its state and hidden while there is nothing to say.
class AdminStatusLine : public components::InlineBanner {
    Q_OBJECT

public:
    AdminStatusLine(const AdminActionState& state, QWidget* parent);

private:
    void refresh();

    const AdminActionState& m_state;
};

} // namespace orvela::tokens::views
