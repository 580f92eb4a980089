#include "tokens/views/AdminStatusLine.h"

#include "common/LocalizationService.h"
#include "tokens/AdminActionState.h"

namespace orvela::tokens::views {

AdminStatusLine::AdminStatusLine(const AdminActionState& state,
                                 const common::LocalizationService& localization, QWidget* parent)
    : InlineBanner(Kind::info, QString(), parent), m_state(state), m_localization(localization)
{
    connect(&state, &AdminActionState::changed, this, &AdminStatusLine::refresh);
    connect(&localization, &common::LocalizationService::languageChanged, this,
            &AdminStatusLine::refresh);
    refresh();
}

void AdminStatusLine::refresh()
{
    setKind(m_state.isError() ? Kind::error : m_state.isBusy() ? Kind::info : Kind::success);
    const QString text = m_state.shownText(m_localization);
    setText(text);
    setVisible(!text.isEmpty());
}

} // namespace orvela::tokens::views
