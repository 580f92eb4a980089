// The APDU-road token commands of the orvela binary, run against an in-process virtual token.

#include "orvela/sim/VirtualToken.h"
#include "orvela/tokenkit/Digest.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <sys/stat.h>

namespace {

using orvela::sim::VirtualToken;
using orvela::tokenkit::Bytes;

constexpr const char* kUserPin = "246810";
constexpr const char* kSoPin = "13579135";

struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    QJsonObject json() const { return QJsonDocument::fromJson(out).object(); }
};

class TokenCommands : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString statePath() const { return dir.filePath(QStringLiteral("token.state")); }

    CliRun orvela(const QStringList& args, const QByteArray& input = {},
                  const QString& mode = QString()) const
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ORVELA_VIRTUAL_TOKEN"),
                   mode.isEmpty() ? QString::fromLatin1(GetParam()) : mode);
        env.insert(QStringLiteral("ORVELA_VIRTUAL_TOKEN_STATE"), statePath());
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(ORVELA_BINARY), args);
        process.write(input);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(60000)) << args.join(u' ').toStdString();
        CliRun run;
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = process.readAllStandardOutput();
        run.err = process.readAllStandardError();
        return run;
    }

    CliRun provision(const QByteArray& input)
    {
        // -v: the kit's log shows whether, and how, the token was spoken to.
        return orvela({"-v", "--pin-stdin", "--json", "token", "provision"}, input);
    }

    CliRun provisionNormally()
    {
        return provision(QByteArray(kUserPin) + "\n" + kUserPin + "\n" + kSoPin + "\n");
    }

    CliRun sign(const QByteArray& hash)
    {
        return orvela({"--json", "token", "sign", "--hash", QString::fromLatin1(hash.toHex())});
    }

    /// The public key of the token as the state file holds it.
    std::optional<std::string> publicKeyPem() const
    {
        VirtualToken::Options options;
        options.stateFile = statePath().toStdString();
        return VirtualToken(options).publicKeyPem(1);
    }

    QTemporaryDir dir;
};

QByteArray sha256(const QByteArray& data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256);
}

/// Verifies a raw r || s or DER ECDSA signature in hex over a hash with a PEM public key.
bool verifies(const std::string& pem, const QByteArray& hash, const QString& signatureHex)
{
    QByteArray signature = QByteArray::fromHex(signatureHex.toLatin1());
    if (signature.size() == 64) {
        ECDSA_SIG* sig = ECDSA_SIG_new();
        ECDSA_SIG_set0(
            sig,
            BN_bin2bn(reinterpret_cast<const unsigned char*>(signature.constData()), 32, nullptr),
            BN_bin2bn(reinterpret_cast<const unsigned char*>(signature.constData()) + 32, 32,
                      nullptr));
        unsigned char* der = nullptr;
        const int length = i2d_ECDSA_SIG(sig, &der);
        signature = QByteArray(reinterpret_cast<const char*>(der), length);
        OPENSSL_free(der);
        ECDSA_SIG_free(sig);
    }
    BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
    EVP_PKEY* key = PEM_read_bio_PUBKEY(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    if (key == nullptr) {
        return false;
    }
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(key, nullptr);
    const bool ok =
        EVP_PKEY_verify_init(ctx) == 1 &&
        EVP_PKEY_verify(ctx, reinterpret_cast<const unsigned char*>(signature.constData()),
                        static_cast<std::size_t>(signature.size()),
                        reinterpret_cast<const unsigned char*>(hash.constData()),
                        static_cast<std::size_t>(hash.size())) == 1;
    EVP_PKEY_CTX_free(ctx);
    EVP_PKEY_free(key);
    return ok;
}

} // namespace

TEST_P(TokenCommands, ReadersInfoAndConnectionTest)
{
    const CliRun readers = orvela({"--json", "token", "readers"});
    ASSERT_EQ(readers.exitCode, 0) << readers.err.toStdString();
    EXPECT_EQ(readers.json().value("readers").toArray().first().toString(),
              "Orvela Virtual Reader 0");

    const CliRun info = orvela({"--json", "token", "info", "--reader", "0"});
    ASSERT_EQ(info.exitCode, 0) << info.err.toStdString();
    EXPECT_EQ(info.json().value("label").toString(), "Orvela Virtual Token");
    EXPECT_TRUE(info.json().value("appletSelected").toBool());
    EXPECT_EQ(info.json().value("isFIPS").toBool(), std::string(GetParam()) == "fips");

    const CliRun human = orvela({"token", "info"});
    EXPECT_TRUE(human.out.contains("Label:  Orvela Virtual Token")) << human.out.toStdString();
    EXPECT_EQ(human.err, "") << "a quiet run logs nothing";

    const CliRun quiet = orvela({"--json", "token", "test"});
    ASSERT_EQ(quiet.exitCode, 0) << quiet.err.toStdString();
    EXPECT_EQ(quiet.json().value("challenge").toString().size(), 16);
    EXPECT_EQ(quiet.err, "");
    // -v lets both the application's log and the token kit's through.
    const CliRun verbose = orvela({"-v", "--json", "token", "test"});
    EXPECT_TRUE(verbose.err.contains("Token connection OK, challenge: "));
    EXPECT_TRUE(verbose.err.contains("Session нээгдлээ")) << verbose.err.toStdString();

    const CliRun missing = orvela({"--json", "token", "info", "--reader", "3"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.json().value("reason").toString(), "no-reader");
    EXPECT_TRUE(missing.json().value("error").toString().startsWith("Уншигч холбогдоогүй байна. "));
}

TEST_P(TokenCommands, ProvisionThenSignAHashAndAFile)
{
    const CliRun provisioned = provisionNormally();
    ASSERT_EQ(provisioned.exitCode, 0)
        << provisioned.err.toStdString() << provisioned.out.toStdString();
    EXPECT_TRUE(provisioned.json().value("provisioned").toBool());
    // Two sessions, each with its own channel, in the provisioner's order.
    const QByteArray& log = provisioned.err;
    const auto init = log.indexOf("Token initialized — filesystem + PIN/PUK тогтоогдлоо");
    const auto verified = log.indexOf("PIN verified — key generation эхэлж байна");
    EXPECT_GE(init, 0);
    EXPECT_GT(verified, init);
    EXPECT_EQ(log.count("SM session тогтоогдлоо"), 2);
    EXPECT_FALSE(log.contains(kUserPin));
    EXPECT_FALSE(log.contains(kSoPin));

    const auto pem = publicKeyPem();
    ASSERT_TRUE(pem.has_value());
    const QByteArray hash = sha256("document");
    const CliRun signedHash = sign(hash);
    ASSERT_EQ(signedHash.exitCode, 0) << signedHash.err.toStdString();
    const QString signature = signedHash.json().value("signature").toString();
    EXPECT_EQ(signature, signature.toUpper());
    EXPECT_TRUE(verifies(*pem, hash, signature));
    EXPECT_FALSE(verifies(*pem, sha256("other"), signature));

    const QString path = dir.filePath(QStringLiteral("data.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("file contents to sign");
    file.close();
    const CliRun signedFile = orvela({"token", "sign", "--file", path});
    ASSERT_EQ(signedFile.exitCode, 0) << signedFile.err.toStdString();
    EXPECT_TRUE(verifies(*pem, sha256("file contents to sign"),
                         QString::fromLatin1(signedFile.out.trimmed())));
}

TEST_P(TokenCommands, BadPinsAreRefusedBeforeTheTokenIsTouched)
{
    ASSERT_EQ(provisionNormally().exitCode, 0);
    const auto keyBefore = publicKeyPem();
    ASSERT_TRUE(keyBefore.has_value());
    struct Case {
        QByteArray input;
        QString message;
    };
    const Case cases[] = {
        {"12345\n12345\n13579135\n", "Хэрэглэгчийн ПИН хамгийн багадаа 6 тэмдэгттэй байна."},
        {"246810\n246811\n13579135\n", "Давтсан хэрэглэгчийн ПИН таарахгүй байна."},
        {"246810\n246810\n1357913\n", "SO PIN / PUK хамгийн багадаа 8 тэмдэгттэй байна."},
        {"12345678901234567\n12345678901234567\n13579135\n", "PIN 16 байтаас урт байж болохгүй."},
        {"246810\n246810\n13579135135791351\n", "PIN 16 байтаас урт байж болохгүй."},
        {"246810\n246810\n", "Стандарт оролтод ПИН алга."},
    };
    for (const Case& c : cases) {
        const CliRun run = provision(c.input);
        EXPECT_EQ(run.exitCode, 1) << c.input.toStdString();
        EXPECT_EQ(run.json().value("error").toString(), c.message) << c.input.toStdString();
        EXPECT_FALSE(run.err.contains("SM session")) << "the token was contacted";
    }
    // Still the same key: nothing was erased.
    EXPECT_EQ(publicKeyPem(), keyBefore);
}

TEST_P(TokenCommands, PinsThatCanNeverBeRightCostNoTry)
{
    ASSERT_EQ(provisionNormally().exitCode, 0);
    struct Case {
        QByteArray input;
        QString message;
    };
    const Case cases[] = {
        {"", "Стандарт оролтод ПИН алга."},
        {"\n", "ПИН хоосон байна."},
        {"\r\n", "ПИН хоосон байна."},
        {"12345\n", "ПИН хэт богино; хамгийн цөөндөө тэмдэгтийн тоо: 6"},
        {QByteArray("2468\0"
                    "10\n",
                    8),
         "ПИН-д NUL тэмдэгт орсон байна."},
        {"24681\xff\n", "ПИН зөв UTF-8 текст биш байна."},
        {QByteArray(65, '1') + "\n", "ПИН-ий мөр хэт урт; хамгийн ихдээ байтын тоо: 64"},
        {QByteArray(100000, '1'), "ПИН-ий мөр хэт урт; хамгийн ихдээ байтын тоо: 64"},
    };
    for (const Case& c : cases) {
        const CliRun run = orvela({"-v", "--pin-stdin", "--json", "token", "keygen"}, c.input);
        EXPECT_EQ(run.exitCode, 1) << c.input.left(20).toHex().toStdString();
        EXPECT_EQ(run.json().value("error").toString().toStdString(), c.message.toStdString())
            << c.input.left(20).toHex().toStdString();
        EXPECT_FALSE(run.err.contains("SM session")) << "the token was contacted";
    }
    const CliRun english =
        orvela({"--pin-stdin", "--json", "--lang", "en", "token", "keygen"}, "\n");
    EXPECT_EQ(english.json().value("error").toString(), "The PIN is empty.");
    VirtualToken::Options options;
    options.stateFile = statePath().toStdString();
    EXPECT_EQ(VirtualToken(options).pinTriesLeft(1), 10);
}

TEST_P(TokenCommands, LocalInputIsARegularFileOfBoundedSize)
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
        EXPECT_TRUE(run.json().value("error").toString().endsWith(c.message))
            << run.out.toStdString() << " for " << c.args.join(u' ').toStdString();
    }
}

TEST_P(TokenCommands, KeygenCountsDownAWrongPin)
{
    ASSERT_EQ(provisionNormally().exitCode, 0);
    const auto first = publicKeyPem();
    const CliRun wrong = orvela({"--pin-stdin", "token", "keygen"}, "111111\n");
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_TRUE(wrong.err.contains("PIN буруу байна. 9 оролдлого үлдсэн."))
        << wrong.err.toStdString();
    // The kit's fixed Mongolian text, worded by its kind in English.
    const CliRun english = orvela({"--lang", "en", "--pin-stdin", "token", "keygen"}, "111111\n");
    EXPECT_TRUE(english.err.startsWith("Wrong PIN. 8 tries left.")) << english.err.toStdString();
    const CliRun right = orvela({"--pin-stdin", "--json", "token", "keygen"}, "246810\n");
    ASSERT_EQ(right.exitCode, 0) << right.err.toStdString();
    EXPECT_TRUE(right.json().value("generated").toBool());
    EXPECT_NE(publicKeyPem(), first) << "a new key pair replaces the old one";
}

TEST_P(TokenCommands, EraseAsksUnlessToldYes)
{
    ASSERT_EQ(provisionNormally().exitCode, 0);
    const CliRun unconfirmed = orvela({"token", "erase"});
    EXPECT_NE(unconfirmed.exitCode, 0);
    EXPECT_TRUE(publicKeyPem().has_value());

    const CliRun erased = orvela({"--json", "token", "erase", "--yes"});
    ASSERT_EQ(erased.exitCode, 0) << erased.err.toStdString();
    EXPECT_FALSE(publicKeyPem().has_value());
    // An erased token has no key: the card answers 6A88, and the tool says how to make one.
    const CliRun sign = this->sign(sha256("x"));
    EXPECT_EQ(sign.exitCode, 1);
    EXPECT_EQ(sign.json().value("reason").toString(), "no-key");
    EXPECT_TRUE(sign.json().value("error").toString().contains("`orvela token keygen`"));
}

TEST_P(TokenCommands, ArgumentsThatCannotWorkAreUsageErrors)
{
    for (const QStringList& args : {QStringList{"token", "info", "--reader", "first"},
                                    {"token", "sign"},
                                    {"token", "sign", "--hash", "00", "--file", "x"},
                                    {"token", "sign", "--hash", "XYZ"}}) {
        const CliRun run = orvela(args);
        EXPECT_EQ(run.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_EQ(run.out, "");
    }
}

TEST_P(TokenCommands, UnknownVirtualTokenModeIsAnError)
{
    const CliRun run =
        orvela({"--lang", "en", "--json", "token", "readers"}, {}, QStringLiteral("rsa"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.json().value("error").toString(),
              "ORVELA_VIRTUAL_TOKEN must be des, aes or fips");
}

INSTANTIATE_TEST_SUITE_P(Modes, TokenCommands, ::testing::Values("des", "aes", "fips"));
