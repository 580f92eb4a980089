#pragma once

#include "diagnostics/Check.h"
#include "diagnostics/DiagnosticsEnvironment.h"

#include <QObject>

class QThreadPool;

namespace orvela::diagnostics {

/// Runs every check of the report at once, each off the interface thread (card work on the card
/// worker, PKCS#11 work on the PKCS#11 worker, network calls through the backend client), each
/// under its own time limit. The list keeps a fixed order; a check's place fills in as it
/// finishes, and one that overruns its limit is reported as timed out, its late result dropped.
/// Lives on the interface thread and never blocks it.
class DiagnosticsRunner : public QObject {
    Q_OBJECT
public:
    explicit DiagnosticsRunner(DiagnosticsEnvironment environment, QObject* parent = nullptr);

    /// Starts every check, dropping the results of a run still going.
    void start();
    /// The interface language the next run reports.
    void setLanguage(common::AppLanguage language) { m_environment.language = language; }
    /// The checks in report order; pending ones have Verdict::pending.
    const QList<Check>& checks() const { return m_checks; }
    bool isRunning() const { return m_open > 0; }

signals:
    /// The check at `index` finished or timed out.
    void checkFinished(int index);
    /// Every check has finished or timed out.
    void finished();

private:
    int place(const QString& id, const QString& titleKey);
    template <class Work> void runOn(QThreadPool* pool, int index, Work work);
    void armLimit(int index, int ms);
    void settle(int index, quint64 run, Check check);
    void startBackend(int index);
    void startCredentials(int index);
    void startUpdates(int index);

    DiagnosticsEnvironment m_environment;
    QList<Check> m_checks;
    QList<bool> m_settled;
    quint64 m_run = 0;
    int m_open = 0;
};

} // namespace orvela::diagnostics
