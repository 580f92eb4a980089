#include "shell/UpdateMenuActions.h"

#include "shell/UpdateChecker.h"

#include <QAction>

namespace orvela::shell {

UpdateMenuActions::UpdateMenuActions(UpdateChecker* checker, QObject* parent)
    : QObject(parent), m_check(new QAction(QStringLiteral("Шинэчлэлт шалгах..."), this)),
      m_history(new QAction(QStringLiteral("Шинэчлэлтийн түүх..."), this))
{
    m_check->setEnabled(checker->canCheckForUpdates());
    connect(checker, &UpdateChecker::canCheckForUpdatesChanged, m_check, &QAction::setEnabled);
    connect(m_check, &QAction::triggered, checker, [checker] { checker->checkForUpdates(); });
    connect(m_history, &QAction::triggered, this, &UpdateMenuActions::releaseNotesRequested);
}

} // namespace orvela::shell
