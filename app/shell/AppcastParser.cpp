#include "shell/AppcastParser.h"

#include <QVersionNumber>
#include <QXmlStreamReader>

namespace orvela::shell {

namespace {

const QString kSparkleNamespace =
    QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");

// What one <item> said, before choosing among its alternatives.
struct ItemFields {
    QString title;
    QString shortVersion;
    QString version;
    QString enclosureShortVersion;
    QString enclosureVersion;
    QString enclosureUrl;
    QString link;
    QString releaseNotesLink;

    std::optional<AppcastItem> toItem() const
    {
        QString chosen = shortVersion;
        for (const QString& candidate : {enclosureShortVersion, version, enclosureVersion}) {
            if (chosen.isEmpty()) {
                chosen = candidate;
            }
        }
        const QUrl download(enclosureUrl.isEmpty() ? link : enclosureUrl);
        // The link is offered to the user to open, so only web addresses are accepted.
        const QString scheme = download.scheme().toLower();
        if (chosen.isEmpty() || !download.isValid() ||
            (scheme != QLatin1String("https") && scheme != QLatin1String("http"))) {
            return std::nullopt;
        }
        return AppcastItem{title, chosen, download, QUrl(releaseNotesLink)};
    }
};

// The sparkle: prefix is matched by name too, for feeds that forget to declare it.
bool isSparkle(const QXmlStreamReader& reader, QLatin1String name)
{
    return reader.name() == name && (reader.namespaceUri() == kSparkleNamespace ||
                                     reader.prefix() == QLatin1String("sparkle"));
}

QString sparkleAttribute(const QXmlStreamAttributes& attributes, QLatin1String name)
{
    for (const QXmlStreamAttribute& attribute : attributes) {
        if (attribute.name() == name && (attribute.namespaceUri() == kSparkleNamespace ||
                                         attribute.prefix() == QLatin1String("sparkle"))) {
            return attribute.value().toString().trimmed();
        }
    }
    return {};
}

void readItemChild(QXmlStreamReader& reader, ItemFields& fields)
{
    if (reader.name() == QLatin1String("enclosure") && reader.namespaceUri().isEmpty()) {
        const QXmlStreamAttributes attributes = reader.attributes();
        fields.enclosureUrl = attributes.value(QLatin1String("url")).toString().trimmed();
        fields.enclosureVersion = sparkleAttribute(attributes, QLatin1String("version"));
        fields.enclosureShortVersion =
            sparkleAttribute(attributes, QLatin1String("shortVersionString"));
        reader.skipCurrentElement();
    } else if (isSparkle(reader, QLatin1String("version"))) {
        fields.version = reader.readElementText().trimmed();
    } else if (isSparkle(reader, QLatin1String("shortVersionString"))) {
        fields.shortVersion = reader.readElementText().trimmed();
    } else if (isSparkle(reader, QLatin1String("releaseNotesLink"))) {
        fields.releaseNotesLink = reader.readElementText().trimmed();
    } else if (reader.name() == QLatin1String("title") && reader.namespaceUri().isEmpty()) {
        fields.title = reader.readElementText().trimmed();
    } else if (reader.name() == QLatin1String("link") && reader.namespaceUri().isEmpty()) {
        fields.link = reader.readElementText().trimmed();
    } else {
        reader.skipCurrentElement();
    }
}

} // namespace

std::optional<QList<AppcastItem>> AppcastParser::parse(const QByteArray& xml)
{
    QXmlStreamReader reader(xml);
    // An error page served in place of the feed must not read as "no releases".
    if (!reader.readNextStartElement() || reader.name() != QLatin1String("rss")) {
        return std::nullopt;
    }
    QList<AppcastItem> items;
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement() || reader.name() != QLatin1String("item")) {
            continue;
        }
        ItemFields fields;
        while (reader.readNextStartElement()) {
            readItemChild(reader, fields);
        }
        if (auto item = fields.toItem()) {
            items.append(*item);
        }
    }
    if (reader.hasError()) {
        return std::nullopt;
    }
    return items;
}

std::optional<AppcastItem> AppcastParser::newest(const QList<AppcastItem>& items)
{
    std::optional<AppcastItem> best;
    for (const AppcastItem& item : items) {
        if (!best || compareVersions(item.version, best->version) > 0) {
            best = item;
        }
    }
    return best;
}

int AppcastParser::compareVersions(const QString& left, const QString& right)
{
    // Trailing zeros go first, so that "1.0" and "1.0.0" are the same release.
    return QVersionNumber::compare(QVersionNumber::fromString(left).normalized(),
                                   QVersionNumber::fromString(right).normalized());
}

} // namespace orvela::shell
