#include "updates/views/UpdateMenuActions.h"

#include "common/LocalizationService.h"
#include "updates/UpdateChecker.h"
#include "updates/UpdateViewModel.h"

#include <QAction>

namespace orvela::updates::views {

UpdateMenuActions::UpdateMenuActions(UpdateViewModel& updates,
                                     common::LocalizationService& localization, QObject* parent)
    : QObject(parent), m_updates(updates), m_localization(localization), m_check(new QAction(this)),
      m_history(new QAction(this))
{
    m_check->setObjectName(QStringLiteral("checkForUpdates"));
    refresh();
    connect(&localization, &common::LocalizationService::languageChanged, this,
            &UpdateMenuActions::refresh);
    connect(&updates.checker(), &UpdateChecker::canCheckForUpdatesChanged, this,
            &UpdateMenuActions::refresh);
    connect(m_check, &QAction::triggered, this, [this] { m_updates.checkNow(); });
    connect(m_history, &QAction::triggered, this, &UpdateMenuActions::releaseNotesRequested);
}

void UpdateMenuActions::refresh()
{
    const auto text = [this](const char* key) {
        return m_localization.localized(QString::fromLatin1(key));
    };
    m_check->setText(text("MenuBar_CheckUpdates"));
    m_history->setText(text("MenuBar_ReleaseHistory"));
    const UpdateChecker& checker = m_updates.checker();
    m_check->setEnabled(checker.canCheckForUpdates());
    // A disabled item says why, where menus show it: as its tool tip and status text.
    QString why;
    if (!checker.hasUsableFeed()) {
        why = text("Settings_Updates_NoFeed");
    } else if (checker.isChecking()) {
        why = text("Common_Checking");
    }
    m_check->setToolTip(why.isEmpty() ? m_check->text() : why);
    m_check->setStatusTip(why);
}

} // namespace orvela::updates::views
