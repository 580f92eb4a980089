#include "shell/UpdateMenuActions.h"

#include "shell/UpdateChecker.h"

#include <QAction>

namespace orvela::shell {

UpdateMenuActions::UpdateMenuActions(UpdateChecker* checker, QObject* parent)
    : QObject(parent), m_check(new QAction(QStringLiteral("Шинэчлэлт шалгах..."), this)),
      m_history(new QAction(QStringLiteral("Шинэчлэлтийн түүх..."), this))
{
    // Without a feed address there is nothing to check, so the item is not offered at all.
    const auto follow = [this, checker] {
        m_check->setVisible(checker->hasUsableFeed());
        m_check->setEnabled(checker->canCheckForUpdates());
    };
    follow();
    connect(checker, &UpdateChecker::canCheckForUpdatesChanged, m_check, follow);
    connect(m_check, &QAction::triggered, checker, [checker] { checker->checkForUpdates(); });
    connect(m_history, &QAction::triggered, this, &UpdateMenuActions::releaseNotesRequested);
}

} // namespace orvela::shell
