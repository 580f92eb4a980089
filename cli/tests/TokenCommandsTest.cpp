// The command layer of the APDU-road token commands: PIN input, local input bounds, exit
// statuses, JSON and diagnoses, run against an in-process virtual token. What the commands do on
// the token is the provisioner's and the driver's tests' business.

#include "CliRun.h"
#include "SignatureCheck.h"
#include "orvela/sim/VirtualToken.h"

#include <QCryptographicHash>
#include <QFile>
#include <sys/stat.h>

namespace {

using namespace orvela;
using clitest::CliRun;
using sim::VirtualToken;

const QByteArray kPins = "246810\n246810\n13579135\n"; // user PIN, repeated, SO PIN

class TokenCommands : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString statePath() const { return dir.filePath(QStringLiteral("token.state")); }

    /// Runs the tool with a virtual token of `mode` whose state lives in the test's folder.
    CliRun orvela(const QStringList& args, const QByteArray& input = {},
                  const QString& mode = QStringLiteral("aes")) const
    {
        QProcessEnvironment env;
        env.insert(QStringLiteral("ORVELA_VIRTUAL_TOKEN"), mode);
        env.insert(QStringLiteral("ORVELA_VIRTUAL_TOKEN_STATE"), statePath());
        return clitest::orvela(args, env, input);
    }

    VirtualToken token() const
    {
        VirtualToken::Options options;
        options.stateFile = statePath().toStdString();
        return VirtualToken(options);
    }

    QTemporaryDir dir;
};

TEST_F(TokenCommands, OutputIsJsonOrOneHumanLineAndLogsOnlyWhenAsked)
{
    const CliRun fips = orvela({"--json", "token", "info", "--reader", "0"}, {}, "fips");
    ASSERT_EQ(fips.exitCode, 0) << fips.err.toStdString();
    EXPECT_TRUE(fips.json().value("isFIPS").toBool());
    const CliRun human = orvela({"token", "info"});
    EXPECT_TRUE(human.out.contains("Label:  Orvela Virtual Token")) << human.out.toStdString();
    EXPECT_EQ(human.err, "") << "a quiet run logs nothing";
    // -v lets both the application's log and the token kit's through.
    const CliRun verbose = orvela({"-v", "--json", "token", "test"});
    EXPECT_EQ(verbose.json().value("challenge").toString().size(), 16);
    EXPECT_TRUE(verbose.err.contains("Token connection OK, challenge: "));
    EXPECT_TRUE(verbose.err.contains("session opened: ")) << verbose.err.toStdString();

    const CliRun missing = orvela({"--json", "token", "info", "--reader", "3"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.json().value("reason").toString(), "no-reader");
}

// PINs that can never be right are refused before the token is spoken to: no try is spent and
// provisioning erases nothing.
TEST_F(TokenCommands, PinsThatCanNeverBeRightNeverReachTheToken)
{
    const CliRun first = orvela({"--pin-stdin", "--json", "token", "provision"}, kPins);
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_TRUE(first.json().value("provisioned").toBool());
    EXPECT_FALSE(first.err.contains("246810") || first.err.contains("13579135"));
    const auto keyBefore = token().publicKeyPem(1);
    ASSERT_TRUE(keyBefore.has_value());
    const QString tooLong = QStringLiteral("ПИН-ий мөр хэт урт; хамгийн ихдээ байтын тоо: 64");
    const QString none = QStringLiteral("Стандарт оролтод ПИН алга.");
    const struct {
        const char* command;
        QByteArray input;
        QString message;
    } cases[] = {
        {"provision", "12345\n12345\n13579135\n",
         "Хэрэглэгчийн ПИН хамгийн багадаа 6 тэмдэгттэй байна."},
        {"provision", "246810\n246811\n13579135\n", "Давтсан хэрэглэгчийн ПИН таарахгүй байна."},
        {"provision", "246810\n246810\n1357913\n",
         "SO PIN / PUK хамгийн багадаа 8 тэмдэгттэй байна."},
        {"provision", "246810\n246810\n13579135135791351\n",
         "PIN 16 байтаас урт байж болохгүй. Илүү богино PIN сонгоно уу."},
        {"provision", "246810\n246810\n", none},
        {"keygen", "", none},
        {"keygen", "\r\n", "ПИН хоосон байна. Токены PIN-ийг оруулаад дахин оролдоно уу."},
        {"keygen", "12345\n", "ПИН хэт богино; хамгийн цөөндөө тэмдэгтийн тоо: 6"},
        {"keygen", QByteArray("2468") + '\0' + "10\n", "ПИН-д NUL тэмдэгт орсон байна."},
        {"keygen", "24681\xff\n", "ПИН зөв UTF-8 текст биш байна."},
        {"keygen", QByteArray(65, '1') + "\n", tooLong},
        {"keygen", QByteArray(100000, '1'), tooLong},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input.left(20).toHex().toStdString());
        // -v: the kit's log shows whether the token was spoken to at all.
        const CliRun run = orvela({"-v", "--pin-stdin", "--json", "token", c.command}, c.input);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.error(), c.message);
        EXPECT_FALSE(run.err.contains("session opened")) << "the token was contacted";
    }
    EXPECT_EQ(token().publicKeyPem(1), keyBefore) << "nothing was erased";
    EXPECT_EQ(orvela({"--pin-stdin", "--json", "--lang", "en", "token", "keygen"}, "\n").error(),
              "The PIN is empty. Type the token's PIN and try again.");
    EXPECT_EQ(token().pinTriesLeft(1), 10);

    // A wrong PIN that reaches the card says how many tries are left, in the language asked for.
    const CliRun wrong = orvela({"--lang", "en", "--pin-stdin", "token", "keygen"}, "111111\n");
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_EQ(wrong.err, "Wrong PIN. 9 tries left. Check the PIN and try again.\n");
}

TEST_F(TokenCommands, LocalInputIsARegularFileOfBoundedSize)
{
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const auto sparse = [&](const char* name, qint64 size) {
        const QString path = dir.filePath(QLatin1String(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(size));
        return path;
    };
    const QString document = sparse("document.pdf", 25 * 1024 * 1024 + 1);
    const QString certificate = sparse("cert.der", 128 * 1024 + 1);
    const QString notRegular = QStringLiteral("Энгийн файл биш: %1");
    const QString tooLarge = QStringLiteral("Хэт том; энд хүлээн авах дээд хэмжээ %2: %1");
    struct Case {
        QStringList args;
        QString message;
        QByteArray input;
    };
    const Case cases[] = {
        {{"token", "sign", "--file", fifo}, notRegular.arg(fifo), {}},
        {{"token", "sign", "--file", "/dev/zero"}, notRegular.arg("/dev/zero"), {}},
        {{"token", "sign", "--file", document}, tooLarge.arg(document, "25 MiB"), {}},
        {{"--road", "pkcs11", "token", "sign", "--file", fifo}, notRegular.arg(fifo), {}},
        {{"--road", "pkcs11", "token", "objects", "import", fifo}, notRegular.arg(fifo), {}},
        {{"--road", "pkcs11", "token", "objects", "import", certificate},
         tooLarge.arg(certificate, "128 KiB"),
         {}},
        {{"cert", fifo}, notRegular.arg(fifo), {}},
        {{"cert", "-"},
         tooLarge.arg("стандарт оролт", "4 MiB"),
         QByteArray(4 * 1024 * 1024 + 1, '\0')},
    };
    for (const Case& c : cases) {
        const CliRun run = orvela(QStringList{"--json"} + c.args, c.input);
        EXPECT_NE(run.exitCode, 0) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(run.error().endsWith(c.message))
            << run.out.toStdString() << " for " << c.args.join(u' ').toStdString();
    }
}

TEST_F(TokenCommands, AFileIsSignedByItsSha256AndEraseAsksUnlessToldYes)
{
    ASSERT_EQ(orvela({"--pin-stdin", "token", "provision"}, kPins).exitCode, 0);
    const QString path = dir.filePath(QStringLiteral("data.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("file contents") > 0);
    file.close();
    // A digest is the 32 bytes of a SHA-256, as on the screen; anything else is a usage error
    // and reaches no token on either road.
    for (const QString& road : {QStringLiteral("apdu"), QStringLiteral("pkcs11")}) {
        for (const QString& digest : {QStringLiteral("00"), QString(62, u'a'), QString(66, u'a')}) {
            const CliRun refused =
                orvela({"-v", "--lang", "en", "--road", road, "token", "sign", "--hash", digest},
                       "123456\n");
            EXPECT_EQ(refused.exitCode, 2) << road.toStdString() << " " << digest.toStdString();
            EXPECT_TRUE(refused.err.startsWith("orvela: --hash takes a SHA-256 digest: 64 "
                                               "hexadecimal digits (32 bytes); see"))
                << refused.err.toStdString();
            EXPECT_EQ(refused.err.count(u'\n'), 1) << "nothing but the usage line was said";
        }
    }
    const CliRun signedFile = orvela({"token", "sign", "--file", path});
    ASSERT_EQ(signedFile.exitCode, 0) << signedFile.err.toStdString();
    const QByteArray hash = QCryptographicHash::hash("file contents", QCryptographicHash::Sha256);
    const QByteArray signature = QByteArray::fromHex(signedFile.out.trimmed().toLatin1());
    EXPECT_TRUE(sim::test::verifies(sim::test::keyFromPem(token().publicKeyPem(1).value()),
                                    {hash.begin(), hash.end()},
                                    {signature.begin(), signature.end()}));

    EXPECT_NE(orvela({"token", "erase"}).exitCode, 0);
    EXPECT_TRUE(token().publicKeyPem(1).has_value());
    ASSERT_EQ(orvela({"--json", "token", "erase", "--yes"}).exitCode, 0);
    EXPECT_FALSE(token().publicKeyPem(1).has_value());
    const CliRun sign = orvela({"--json", "token", "sign", "--hash", QString(64, u'a')});
    EXPECT_EQ(sign.exitCode, 1);
    EXPECT_EQ(sign.json().value("reason").toString(), "no-key");
    EXPECT_TRUE(sign.error().contains("`orvela token keygen`"));
}

} // namespace
