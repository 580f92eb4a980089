#include "shell/Pkcs11ModuleSetting.h"

#include "common/PoolTask.h"
#include "common/SettingsKeys.h"
#include "orvela/tokenkit/PKCS11Module.h"
#include "tokens/TokenWork.h"

#include <QSettings>

namespace orvela::shell {

Pkcs11ModuleSetting::Pkcs11ModuleSetting(QSettings* store, QObject* parent)
    : QObject(parent), m_store(store)
{}

void Pkcs11ModuleSetting::refresh()
{
    // Loading the libraries to ask p11-kit for them is library work: the PKCS#11 worker's.
    common::runOnPool(
        &tokens::pkcs11Worker(), this, [] { return tokens::registeredModules(); },
        [this](std::vector<tokens::RegisteredModule> modules) {
            m_modules = std::move(modules);
            m_loaded = true;
            emit changed();
        });
    checkChosen();
}

QString Pkcs11ModuleSetting::chosen() const
{
    return m_store->value(settings::pkcs11LibraryPath.toString()).toString().trimmed();
}

void Pkcs11ModuleSetting::choose(const QString& path)
{
    if (path.trimmed().isEmpty()) {
        m_store->remove(settings::pkcs11LibraryPath.toString());
    } else {
        m_store->setValue(settings::pkcs11LibraryPath.toString(), path.trimmed());
    }
    m_store->sync();
    m_loadFailure.clear();
    emit changed();
    checkChosen();
}

void Pkcs11ModuleSetting::checkChosen()
{
    const quint64 check = ++m_check;
    const QString path = chosen();
    if (path.isEmpty()) {
        return;
    }
    common::runOnPool(
        &tokens::pkcs11Worker(), this,
        [library = path.toStdString()] {
            try {
                tokenkit::PKCS11Module::open(library);
                return QString();
            } catch (const tokenkit::P11Error& error) {
                return QString::fromStdString(error.errorDescription());
            }
        },
        [this, check](const QString& failure) {
            if (check != m_check) {
                return; // another module was chosen since
            }
            m_loadFailure = failure;
            emit changed();
        });
}

} // namespace orvela::shell
