#pragma once

// Internal to APIClient: what every request it builds shares, whichever road it takes.

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace orvela::api {

extern const QByteArray userAgent;

/// Parses base URL + path; an unusable text gives an invalid URL.
QUrl parseUrl(const QString& text);

bool sameOrigin(const QUrl& a, const QUrl& b);

} // namespace orvela::api
