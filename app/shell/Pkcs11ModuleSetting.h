#pragma once

#include "tokens/ModuleChoice.h"

#include <QObject>
#include <vector>

class QSettings;

namespace orvela::shell {

/// The settings' choice of PKCS#11 module ("pkcs11.libraryPath"): the modules p11-kit
/// registers, read off the interface thread, and whether the chosen one loads. An empty choice
/// leaves the usual locations.
class Pkcs11ModuleSetting : public QObject {
    Q_OBJECT
public:
    /// `store` must outlive the setting.
    explicit Pkcs11ModuleSetting(QSettings* store, QObject* parent = nullptr);

    /// Reads the registered modules again and checks the chosen one.
    void refresh();
    const std::vector<tokens::RegisteredModule>& modules() const { return m_modules; }
    bool modulesLoaded() const { return m_loaded; }
    /// The chosen library; empty for the usual locations.
    QString chosen() const;
    /// Stores `path` (empty: the usual locations) and checks that it loads.
    void choose(const QString& path);
    /// Why the chosen module does not load (the loader's reason, naming it); empty when it
    /// loads or none is chosen.
    QString loadFailure() const { return m_loadFailure; }

signals:
    void changed();

private:
    void checkChosen();

    QSettings* m_store;
    std::vector<tokens::RegisteredModule> m_modules;
    bool m_loaded = false;
    QString m_loadFailure;
    quint64 m_check = 0;
};

} // namespace orvela::shell
