#include "certificates/CertificateReport.h"

#include "../support/QtPrinters.h"
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

TEST_F(CertificateReportTest, ValidityAndRemainingTimeFollowTheDatesInclusively)
{
    const CertificateInfo info = sample();
    const std::pair<QDateTime, Validity> cases[] = {
        {info.notBefore.addSecs(-1), Validity::notYetValid},
        {info.notBefore, Validity::valid},
        {info.notAfter, Validity::valid},
        {info.notAfter.addSecs(1), Validity::expired},
    };
    for (const auto& [at, validity] : cases) {
        EXPECT_EQ(validityAt(info, at), validity) << at.toString().toStdString();
    }
    EXPECT_DOUBLE_EQ(info.remainingValidity(info.notAfter.addSecs(-90)).value_or(-1), 90.0);
    EXPECT_DOUBLE_EQ(info.remainingValidity(info.notAfter).value_or(-1), 0.0);
    EXPECT_FALSE(info.remainingValidity(info.notAfter.addSecs(1)).has_value());
    localization.overrideLanguage(AppLanguage::en);
    EXPECT_EQ(buildReport(info, localization, info.notAfter.addDays(1)).validityText,
              QStringLiteral("Expired"));
    // Dates in Ulaanbaatar time: UTC+8 in January, named by its short GMT offset.
    EXPECT_EQ(formatReportDate(info.notBefore), QStringLiteral("2026-01-05 18:11:12 GMT+8"));
}

TEST_F(CertificateReportTest, ListSectionsAppearOnlyWithContentAndUsagesAreTranslated)
{
    CertificateInfo info = sample();
    const qsizetype bare = buildReport(info, localization, info.notBefore).sections.size();
    info.keyUsages = QStringList{QStringLiteral("Digital Signature"), QStringLiteral("Future Use")};
    info.subjectAlternativeNames = {QStringLiteral("DNS:a.mn"), QStringLiteral("email:b@c.mn")};
    localization.overrideLanguage(AppLanguage::mn);
    const auto report = buildReport(info, localization, info.notBefore);
    ASSERT_EQ(report.sections.size(), bare + 2);
    // An unnamed usage stays as given; names are one per line.
    EXPECT_EQ(report.sections[bare].rows[0].value, QStringLiteral("Тоон гарын үсэг, Future Use"));
    EXPECT_EQ(report.sections[bare + 1].rows[0].value, QStringLiteral("DNS:a.mn\nemail:b@c.mn"));
}
