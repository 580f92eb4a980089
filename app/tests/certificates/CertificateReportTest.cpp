#include "../support/QtPrinters.h"
#include "certificates/CertificateReport.h"
#include "common/LocalizationService.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace orvela::certificates;
using orvela::common::AppLanguage;
using orvela::common::LocalizationService;

namespace {

CertificateInfo sample()
{
    CertificateInfo info;
    info.subject = QStringLiteral("Citizen");
    info.notBefore = QDateTime(QDate(2026, 1, 5), QTime(10, 11, 12), Qt::UTC);
    info.notAfter = QDateTime(QDate(2027, 1, 5), QTime(10, 11, 12), Qt::UTC);
    info.publicKeyAlgorithm = QStringLiteral("ECDSA");
    info.publicKeyBits = 256;
    return info;
}

class CertificateReportTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat};
    LocalizationService localization{&settings};
};

} // namespace

TEST_F(CertificateReportTest, ValidityFollowsTheDates)
{
    const CertificateInfo info = sample();
    EXPECT_EQ(validityAt(info, info.notBefore.addSecs(-1)), Validity::notYetValid);
    EXPECT_EQ(validityAt(info, info.notBefore), Validity::valid);
    EXPECT_EQ(validityAt(info, info.notAfter), Validity::valid);
    EXPECT_EQ(validityAt(info, info.notAfter.addSecs(1)), Validity::expired);

    localization.overrideLanguage(AppLanguage::en);
    EXPECT_EQ(buildReport(info, localization, info.notAfter.addDays(1)).validityText,
              QStringLiteral("Expired"));
    localization.overrideLanguage(AppLanguage::mn);
    EXPECT_EQ(buildReport(info, localization, info.notBefore.addDays(-1)).validityText,
              QStringLiteral("Хараахан хүчинтэй болоогүй"));
}

TEST_F(CertificateReportTest, DatesAreShownInUlaanbaatarTime)
{
    // UTC+8 in January, named by its short GMT offset.
    EXPECT_EQ(formatReportDate(QDateTime(QDate(2026, 1, 5), QTime(10, 11, 12), Qt::UTC)),
              QStringLiteral("2026-01-05 18:11:12 GMT+8"));
}

TEST_F(CertificateReportTest, SectionsAppearOnlyWithContent)
{
    CertificateInfo info = sample();
    localization.overrideLanguage(AppLanguage::en);
    auto report = buildReport(info, localization, info.notBefore.addDays(1));
    ASSERT_EQ(report.sections.size(), 4);
    EXPECT_EQ(report.sections[0].title, QStringLiteral("Subject & issuer"));
    EXPECT_EQ(report.sections[2].rows[1].value, QStringLiteral("ECDSA / 256 bit"));
    EXPECT_EQ(report.sections[1].rows[0].label, QStringLiteral("Not before"));

    info.keyUsages = QStringList{QStringLiteral("Digital Signature"), QStringLiteral("CRL Sign")};
    info.subjectAlternativeNames = {QStringLiteral("DNS:a.mn"), QStringLiteral("email:b@c.mn")};
    report = buildReport(info, localization, info.notBefore.addDays(1));
    ASSERT_EQ(report.sections.size(), 6);
    EXPECT_EQ(report.sections[4].rows[0].value, QStringLiteral("Digital Signature, CRL Sign"));
    EXPECT_EQ(report.sections[5].title, QStringLiteral("SAN — Subject Alternative Names"));
    EXPECT_EQ(report.sections[5].rows[0].value, QStringLiteral("DNS:a.mn\nemail:b@c.mn"));

    // Mongolian names the fields and the usages in Mongolian; an unnamed usage stays as given.
    localization.overrideLanguage(AppLanguage::mn);
    info.keyUsages << QStringLiteral("Future Use");
    report = buildReport(info, localization, info.notBefore.addDays(1));
    EXPECT_EQ(report.sections[0].rows[0].label, QStringLiteral("Эзэмшигч"));
    EXPECT_EQ(report.sections[4].rows[0].value,
              QStringLiteral("Тоон гарын үсэг, CRL-д гарын үсэг зурах, Future Use"));
}
