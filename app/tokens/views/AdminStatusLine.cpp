#include "tokens/views/AdminStatusLine.h"

#include "tokens/AdminActionState.h"

namespace orvela::tokens::views {

AdminStatusLine::AdminStatusLine(const AdminActionState& state, QWidget* parent)
    : InlineBanner(Kind::info, QString(), parent), m_state(state)
{
    connect(&state, &AdminActionState::changed, this, &AdminStatusLine::refresh);
    refresh();
}

void AdminStatusLine::refresh()
{
    setKind(m_state.isError() ? Kind::error : m_state.isBusy() ? Kind::info : Kind::success);
    setText(m_state.message());
    setVisible(!m_state.message().isEmpty());
}

} // namespace orvela::tokens::views
