#pragma once

#include "common/AppLanguage.h"
#include "diagnostics/DiagnosticsRunner.h"

#include <QObject>

namespace orvela::diagnostics {

/// The support page's diagnostics section: runs the report, words it for copying and saves it.
/// Lives on the interface thread; the file is written on the thread pool.
class DiagnosticsController : public QObject {
    Q_OBJECT
public:
    explicit DiagnosticsController(DiagnosticsEnvironment environment, QObject* parent = nullptr);

    /// Runs every check (again), reporting `language` as the interface language.
    void start(common::AppLanguage language);
    bool isRunning() const { return m_runner.isRunning(); }
    bool hasRun() const { return m_started; }
    const QList<Check>& checks() const { return m_runner.checks(); }

    /// The report as text, for the clipboard and the saved file.
    QString reportText(common::AppLanguage language) const;

    /// Writes the report to `path` whole or not at all; the outcome lands in the status.
    void save(const QString& path, common::AppLanguage language);
    /// Notes that the report went to the clipboard.
    void noteCopied();

    /// The last copy or save outcome: a text key and its "%1", and whether it failed. Empty
    /// key: nothing to say.
    QString statusKey() const { return m_statusKey; }
    QString statusArgument() const { return m_statusArgument; }
    bool statusIsError() const { return m_statusIsError; }

signals:
    /// A check finished, the run started or ended, or the status changed.
    void changed();
    /// The check at `index` finished (after which changed() follows).
    void checkFinished(int index);
    /// A run started: every check is pending again.
    void started();

private:
    void setStatus(const QString& key, const QString& argument, bool error);

    DiagnosticsRunner m_runner;
    bool m_started = false;
    QString m_statusKey;
    QString m_statusArgument;
    bool m_statusIsError = false;
};

} // namespace orvela::diagnostics
