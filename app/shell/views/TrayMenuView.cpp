#include "shell/views/TrayMenuView.h"

#include "common/AppIdentity.h"
#include "components/IconLibrary.h"
#include "shell/TrayMenuController.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

namespace orvela::shell::views {

namespace {

// Names a line by what it is, not where it stands, for tests and accessibility tools.
QString actionName(MenuEntryId id)
{
    switch (id) {
    case MenuEntryId::status:
        return QStringLiteral("trayStatus");
    case MenuEntryId::separator:
        break;
    case MenuEntryId::open:
        return QStringLiteral("trayOpen");
    case MenuEntryId::logout:
        return QStringLiteral("trayLogout");
    case MenuEntryId::launchAtLogin:
        return QStringLiteral("trayLaunchAtLogin");
    case MenuEntryId::backgroundMode:
        return QStringLiteral("trayBackgroundMode");
    case MenuEntryId::checkForUpdates:
        return QStringLiteral("trayCheckForUpdates");
    case MenuEntryId::quit:
        return QStringLiteral("trayQuit");
    }
    return {};
}

} // namespace

TrayMenuView::TrayMenuView(TrayMenuController& controller, QObject* parent)
    : QObject(parent), m_controller(controller), m_menu(new QMenu),
      m_icon(new QSystemTrayIcon(this))
{
    m_icon->setToolTip(QString::fromUtf8(common::displayName));
    m_icon->setContextMenu(m_menu);
    // A line that cannot be used says why in its tool tip.
    m_menu->setToolTipsVisible(true);
    // Queued: a toggle's own handler changes the lines, and its action must outlive that.
    connect(&m_controller, &TrayMenuController::entriesChanged, this, &TrayMenuView::rebuild,
            Qt::QueuedConnection);
    rebuild();
}

// The menu has no widget parent, so it is ours to delete.
TrayMenuView::~TrayMenuView()
{
    delete m_menu;
}

void TrayMenuView::show()
{
    // Looked up only now: the first theme lookup reads the icon theme's whole index.
    if (m_icon->icon().isNull()) {
        m_icon->setIcon(components::IconLibrary::icon(QStringLiteral("checkmark.shield.fill")));
    }
    m_icon->show();
}

void TrayMenuView::rebuild()
{
    m_menu->clear();
    for (const MenuEntry& entry : m_controller.entries()) {
        if (entry.id == MenuEntryId::separator) {
            m_menu->addSeparator();
            continue;
        }
        QAction* action = m_menu->addAction(entry.text);
        action->setObjectName(actionName(entry.id));
        action->setEnabled(entry.enabled);
        action->setShortcut(entry.shortcut);
        action->setCheckable(entry.checkable);
        action->setChecked(entry.checked);
        if (!entry.toolTip.isEmpty()) {
            action->setToolTip(entry.toolTip);
        }
        const MenuEntryId id = entry.id;
        if (entry.checkable) {
            connect(action, &QAction::toggled, this,
                    [this, id](bool on) { m_controller.setToggle(id, on); });
        } else {
            connect(action, &QAction::triggered, this, [this, id] { m_controller.trigger(id); });
        }
    }
}

} // namespace orvela::shell::views
