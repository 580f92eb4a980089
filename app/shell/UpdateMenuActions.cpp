#include "shell/UpdateMenuActions.h"

#include "common/LocalizationService.h"
#include "shell/UpdateChecker.h"

#include <QAction>

namespace orvela::shell {

UpdateMenuActions::UpdateMenuActions(UpdateChecker* checker,
                                     common::LocalizationService& localization, QObject* parent)
    : QObject(parent), m_check(new QAction(this)), m_history(new QAction(this))
{
    auto retranslate = [this, &localization] {
        m_check->setText(localization.localized(QStringLiteral("MenuBar_CheckUpdates")));
        m_history->setText(localization.localized(QStringLiteral("MenuBar_ReleaseHistory")));
    };
    retranslate();
    connect(&localization, &common::LocalizationService::languageChanged, this, retranslate);
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
