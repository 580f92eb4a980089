#include "updates/UpdateViewModel.h"

#include "common/SettingsKeys.h"
#include "updates/UpdateChecker.h"

#include <QSettings>
#include <utility>

namespace orvela::updates {

UpdateViewModel::UpdateViewModel(QSettings* store, UpdateChecker* checker, QObject* parent)
    : QObject(parent), m_store(store), m_checker(checker),
      m_lastCheckDate(store->value(settings::lastUpdateCheck.toString()).toString())
{
    connect(m_checker, &UpdateChecker::checkStarted, this, [this] {
        m_checking = true;
        emit changed();
    });
    connect(m_checker, &UpdateChecker::checkFinished, this, &UpdateViewModel::recordCheck);
}

bool UpdateViewModel::checkNow(CheckOrigin origin)
{
    if (!m_checker->hasUsableFeed()) {
        if (origin == CheckOrigin::person) {
            emit outcomeReady(UpdateCheckResult::failed(UpdateCheckResult::Failure::noFeed));
        }
        return false;
    }
    if (!m_checker->checkForUpdates()) {
        return false;
    }
    m_origin = origin;
    return true;
}

void UpdateViewModel::recordCheck(const UpdateCheckResult& result)
{
    m_checking = false;
    const CheckOrigin origin = std::exchange(m_origin, CheckOrigin::automatic);
    if (result.feedRead()) {
        m_updateAvailable = result.status == UpdateCheckResult::Status::updateAvailable;
        m_downloadUrl = result.downloadUrl;
        m_lastCheckDate = m_clock().toUTC().toString(Qt::ISODate);
        m_store->setValue(settings::lastUpdateCheck.toString(), m_lastCheckDate);
        m_store->sync();
    }
    emit changed();
    if (origin == CheckOrigin::person ||
        result.status == UpdateCheckResult::Status::updateAvailable) {
        emit outcomeReady(result);
    }
}

} // namespace orvela::updates
