#include "diagnostics/DiagnosticsController.h"

#include "common/AtomicFile.h"
#include "common/PoolTask.h"
#include "diagnostics/Report.h"

namespace orvela::diagnostics {

DiagnosticsController::DiagnosticsController(DiagnosticsEnvironment environment, QObject* parent)
    : QObject(parent), m_runner(std::move(environment))
{
    connect(&m_runner, &DiagnosticsRunner::checkFinished, this, [this](int index) {
        emit checkFinished(index);
        emit changed();
    });
    connect(&m_runner, &DiagnosticsRunner::finished, this, &DiagnosticsController::changed);
}

void DiagnosticsController::start(common::AppLanguage language)
{
    m_started = true;
    m_runner.setLanguage(language);
    m_statusKey.clear();
    m_runner.start();
    emit started();
    emit changed();
}

QString DiagnosticsController::reportText(common::AppLanguage language) const
{
    return diagnostics::reportText(m_runner.checks(), language);
}

void DiagnosticsController::save(const QString& path, common::AppLanguage language)
{
    common::runOnPool(
        this,
        [path, bytes = reportText(language).toUtf8()] {
            return common::writeFileAtomically(path, bytes);
        },
        [this, path](const std::optional<QString>& failure) {
            if (!failure) {
                setStatus(QStringLiteral("Diag_Saved"), path, false);
            } else {
                setStatus(QStringLiteral("Diag_SaveFailed"), *failure, true);
            }
        });
}

void DiagnosticsController::noteCopied()
{
    setStatus(QStringLiteral("Diag_Copied"), QString(), false);
}

void DiagnosticsController::setStatus(const QString& key, const QString& argument, bool error)
{
    m_statusKey = key;
    m_statusArgument = argument;
    m_statusIsError = error;
    emit changed();
}

} // namespace orvela::diagnostics
