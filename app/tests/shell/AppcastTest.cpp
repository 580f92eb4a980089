#include "QtPrinters.h"
#include "shell/AppcastParser.h"

#include <gtest/gtest.h>

using orvela::shell::AppcastItem;
using orvela::shell::AppcastParser;

namespace {

QByteArray feed(const QByteArray& items)
{
    return "<?xml version=\"1.0\"?><rss version=\"2.0\" "
           "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>"
           "<title>Orvela</title><link>https://orvela.example/</link>" +
           items + "</channel></rss>";
}

TEST(AppcastParser, ReadsTheUsualItemForms)
{
    const auto items = AppcastParser::parse(feed(
        // Versions as elements, link from the enclosure.
        "<item><title>A</title><sparkle:version>120</sparkle:version>"
        "<sparkle:shortVersionString>1.2.0</sparkle:shortVersionString>"
        "<sparkle:releaseNotesLink>https://orvela.example/1.2.html</sparkle:releaseNotesLink>"
        "<enclosure url=\"https://orvela.example/a.tar.gz\" length=\"1\"/></item>"
        // Versions as enclosure attributes.
        "<item><title>B</title><enclosure url=\"https://orvela.example/b.tar.gz\" "
        "sparkle:version=\"130\" sparkle:shortVersionString=\"1.3\"/></item>"
        // Only a build version, and the download in <link>.
        "<item><title>C</title><sparkle:version>1.1.5</sparkle:version>"
        "<link>https://orvela.example/c</link></item>"));
    ASSERT_TRUE(items.has_value());
    ASSERT_EQ(items->size(), 3);
    EXPECT_EQ(items->at(0).version, "1.2.0");
    EXPECT_EQ(items->at(0).downloadUrl, QUrl("https://orvela.example/a.tar.gz"));
    EXPECT_EQ(items->at(0).releaseNotesUrl, QUrl("https://orvela.example/1.2.html"));
    EXPECT_EQ(items->at(1).version, "1.3");
    EXPECT_EQ(items->at(1).title, "B");
    EXPECT_EQ(items->at(2).version, "1.1.5");
    EXPECT_EQ(items->at(2).downloadUrl, QUrl("https://orvela.example/c"));
    EXPECT_EQ(AppcastParser::newest(*items)->title, "B");
}

TEST(AppcastParser, SkipsItemsWithoutVersionOrSafeLink)
{
    const auto items = AppcastParser::parse(
        feed("<item><title>no version</title><enclosure url=\"https://x/a\"/></item>"
             "<item><title>no link</title><sparkle:version>9</sparkle:version></item>"
             "<item><title>local file</title><sparkle:version>9</sparkle:version>"
             "<enclosure url=\"file:///etc/passwd\"/></item>"
             "<item><title>ok</title><sparkle:version>2</sparkle:version>"
             "<enclosure url=\"http://x/ok\"/></item>"));
    ASSERT_TRUE(items.has_value());
    ASSERT_EQ(items->size(), 1);
    EXPECT_EQ(items->at(0).title, "ok");
}

TEST(AppcastParser, RefusesWhatIsNotAFeed)
{
    EXPECT_FALSE(AppcastParser::parse("<html><body>Not found</body></html>").has_value());
    EXPECT_FALSE(AppcastParser::parse("not xml at all").has_value());
    EXPECT_FALSE(AppcastParser::parse(feed("<item><title>cut")).has_value());
    EXPECT_FALSE(AppcastParser::parse(QByteArray()).has_value());
    const auto empty = AppcastParser::parse(feed(""));
    ASSERT_TRUE(empty.has_value());
    EXPECT_FALSE(AppcastParser::newest(*empty).has_value());
}

TEST(AppcastParser, ComparesDottedVersionsNumerically)
{
    EXPECT_GT(AppcastParser::compareVersions("1.10", "1.9"), 0);
    EXPECT_GT(AppcastParser::compareVersions("2.0", "1.99.99"), 0);
    EXPECT_LT(AppcastParser::compareVersions("1.0.1", "1.0.2"), 0);
    EXPECT_EQ(AppcastParser::compareVersions("1.0", "1.0.0"), 0);
    EXPECT_EQ(AppcastParser::compareVersions("1.0.0", "1"), 0);
    EXPECT_GT(AppcastParser::compareVersions("1.0.0.1", "1.0"), 0);
    EXPECT_GT(AppcastParser::compareVersions("1.0", ""), 0);
}

} // namespace
