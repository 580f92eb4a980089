#include "signing/TrustSettings.h"

#include "common/LocalInput.h"
#include "common/SettingsKeys.h"

#include <QSettings>

namespace orvela::signing {

VerifyOptions configuredTrust(const QSettings& settings, const QByteArray& extraPem)
{
    VerifyOptions options;
    const QString bundle = settings.value(settings::signingTrustBundlePath.toString()).toString();
    if (!bundle.isEmpty()) {
        // A bundle that cannot be read adds no authority; it never weakens the check.
        const common::LocalInput read = common::readLocalFile(bundle, maxTrustBundleSize);
        if (const auto* bytes = std::get_if<QByteArray>(&read)) {
            options.trustPem = *bytes;
        }
    }
    if (!extraPem.isEmpty()) {
        options.trustPem += '\n' + extraPem;
    }
    return options;
}

} // namespace orvela::signing
