#include "updates/AppcastParser.h"

#include <QRegularExpression>
#include <QVersionNumber>
#include <QXmlStreamReader>

namespace orvela::updates {

namespace {

const QString kSparkleNamespace =
    QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");

// Release notes longer than this are cut: the outcome window shows a screenful, not a book.
constexpr qsizetype kMaxNotes = 4000;

/// A description, often HTML, as plain text: line-ending tags become line breaks, other tags
/// go, the common entities are decoded and control characters dropped. Shown as plain text
/// afterwards, so nothing left over can turn into markup or a link.
QString plainNotes(QString text)
{
    static const QRegularExpression lineTag(QStringLiteral("<\\s*(br|/p|/li|/h[1-6]|/div)[^>]*>"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression itemTag(QStringLiteral("<\\s*li[^>]*>"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression anyTag(QStringLiteral("<[^>]*>"));
    static const QRegularExpression control(QStringLiteral("[\\x{0}-\\x{8}\\x{b}-\\x{1f}\\x{7f}]"));
    static const QRegularExpression blankLines(QStringLiteral("\\n\\s*\\n\\s*(\\n\\s*)+"));
    text.truncate(16 * kMaxNotes);
    text.replace(lineTag, QStringLiteral("\n")).replace(itemTag, QStringLiteral("• "));
    text.remove(anyTag).remove(control);
    const std::pair<const char*, const char*> entities[] = {{"&lt;", "<"},    {"&gt;", ">"},
                                                            {"&quot;", "\""}, {"&#39;", "'"},
                                                            {"&nbsp;", " "},  {"&amp;", "&"}};
    for (const auto& [entity, character] : entities) {
        text.replace(QLatin1String(entity), QLatin1String(character));
    }
    text.replace(blankLines, QStringLiteral("\n\n"));
    text = text.trimmed();
    if (text.size() > kMaxNotes) {
        text = text.left(kMaxNotes).trimmed() + QStringLiteral("…");
    }
    return text;
}

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
    QString description;

    std::optional<AppcastItem> toItem(const QUrl& feed) const
    {
        QString chosen = shortVersion;
        for (const QString& candidate : {enclosureShortVersion, version, enclosureVersion}) {
            if (chosen.isEmpty()) {
                chosen = candidate;
            }
        }
        // The link is offered to the user to open, and the version is shown beside it.
        const QUrl download(enclosureUrl.isEmpty() ? link : enclosureUrl, QUrl::StrictMode);
        if (!AppcastParser::isValidVersion(chosen) ||
            !AppcastParser::isOfferableLink(download, feed)) {
            return std::nullopt;
        }
        const QUrl notesLink(releaseNotesLink, QUrl::StrictMode);
        return AppcastItem{title, chosen, download,
                           AppcastParser::isOfferableLink(notesLink, feed) ? notesLink : QUrl(),
                           plainNotes(description)};
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
    } else if (reader.name() == QLatin1String("description") && reader.namespaceUri().isEmpty()) {
        // Notes written as XHTML rather than escaped text come as child elements.
        fields.description = reader.readElementText(QXmlStreamReader::IncludeChildElements);
    } else {
        reader.skipCurrentElement();
    }
}

} // namespace

std::optional<QList<AppcastItem>> AppcastParser::parse(const QByteArray& xml, const QUrl& feed)
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
        if (auto item = fields.toItem(feed)) {
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

bool AppcastParser::isValidVersion(const QString& version)
{
    // Nine digits a part keep every part within an int; eight parts are more than any uses.
    static const QRegularExpression pattern(QStringLiteral("^[0-9]{1,9}(\\.[0-9]{1,9}){0,7}$"));
    return pattern.match(version).hasMatch();
}

bool AppcastParser::isOfferableLink(const QUrl& link, const QUrl& feed)
{
    return link.isValid() && link.scheme().compare(u"https", Qt::CaseInsensitive) == 0 &&
           link.userInfo().isEmpty() && !link.host().isEmpty() &&
           link.host().compare(feed.host(), Qt::CaseInsensitive) == 0;
}

int AppcastParser::compareVersions(const QString& left, const QString& right)
{
    // Trailing zeros go first, so that "1.0" and "1.0.0" are the same release.
    return QVersionNumber::compare(QVersionNumber::fromString(left).normalized(),
                                   QVersionNumber::fromString(right).normalized());
}

} // namespace orvela::updates
