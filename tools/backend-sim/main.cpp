// orvela-backend-sim: the backend on a loopback port, for manual runs and demos.

#include "BackendSim.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <cstdio>
#include <optional>

using orvela::backendsim::BackendSim;
using orvela::backendsim::SimOutcome;

namespace {

bool loadTls(BackendSim& sim, const QString& certPath, const QString& keyPath)
{
    const QList<QSslCertificate> chain = QSslCertificate::fromPath(certPath, QSsl::Pem);
    QFile keyFile(keyPath);
    if (chain.isEmpty() || !keyFile.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray pem = keyFile.readAll();
    QSslKey key(pem, QSsl::Ec);
    if (key.isNull()) {
        key = QSslKey(pem, QSsl::Rsa);
    }
    if (key.isNull()) {
        return false;
    }
    sim.useTls(chain, key);
    return true;
}

std::optional<orvela::backendsim::SignedCopyTamper> tamperNamed(const QString& name)
{
    using orvela::backendsim::SignedCopyTamper;
    static const QHash<QString, SignedCopyTamper> names{
        {QStringLiteral("genuine"), SignedCopyTamper::none},
        {QStringLiteral("unsigned"), SignedCopyTamper::unsigned_},
        {QStringLiteral("other-document"), SignedCopyTamper::otherDocument},
        {QStringLiteral("other-signer"), SignedCopyTamper::otherSigner},
        {QStringLiteral("appended"), SignedCopyTamper::appendedAfter},
        {QStringLiteral("byte-range-gap"), SignedCopyTamper::byteRangeGap},
        {QStringLiteral("broken-contents"), SignedCopyTamper::brokenContents},
    };
    const auto it = names.constFind(name);
    return it == names.constEnd() ? std::nullopt : std::optional(*it);
}

bool writeAuthority(const BackendSim& sim, const QString& path)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(sim.authorityPem()) >= 0 && file.commit();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Simulated Nuvia backend on a loopback port."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("listen"), QStringLiteral("Address and port."), QStringLiteral("HOST:PORT"),
         QStringLiteral("127.0.0.1:3000")},
        {QStringLiteral("tls-cert"), QStringLiteral("PEM certificate chain, leaf first."),
         QStringLiteral("FILE")},
        {QStringLiteral("tls-key"), QStringLiteral("PEM private key."), QStringLiteral("FILE")},
        {QStringLiteral("approve-after"), QStringLiteral("Seconds until the phone answers."),
         QStringLiteral("SECONDS"), QStringLiteral("3")},
        {QStringLiteral("outcome"), QStringLiteral("The phone's answer (endResult)."),
         QStringLiteral("CODE"), QStringLiteral("OK")},
        {QStringLiteral("state-dir"),
         QStringLiteral("Keeps the signing authorities here, made the first time."),
         QStringLiteral("DIR")},
        {QStringLiteral("write-authority"),
         QStringLiteral("Writes the signing authority's PEM certificate to FILE."),
         QStringLiteral("FILE")},
        {QStringLiteral("signed-copy"),
         QStringLiteral("What signing returns: genuine, unsigned, other-document, other-signer, "
                        "appended, byte-range-gap, broken-contents."),
         QStringLiteral("KIND"), QStringLiteral("genuine")},
        {QStringLiteral("clock-skew"), QStringLiteral("Seconds the Date header is off."),
         QStringLiteral("SECONDS"), QStringLiteral("0")},
    });
    parser.process(app);

    const QString listen = parser.value(QStringLiteral("listen"));
    const qsizetype colon = listen.lastIndexOf(u':');
    bool portOk = false;
    const uint port = listen.mid(colon + 1).toUInt(&portOk);
    const QHostAddress address(listen.left(colon));
    if (colon < 0 || !portOk || port > 65535 || address.isNull() || !address.isLoopback()) {
        std::fprintf(stderr, "orvela-backend-sim: --listen needs a loopback HOST:PORT\n");
        return 2;
    }
    bool secondsOk = false;
    const double seconds = parser.value(QStringLiteral("approve-after")).toDouble(&secondsOk);
    if (!secondsOk || seconds < 0) {
        std::fprintf(stderr, "orvela-backend-sim: --approve-after needs a number of seconds\n");
        return 2;
    }

    BackendSim sim;
    sim.setApproveAfterMs(static_cast<int>(seconds * 1000));
    sim.setClockSkewSeconds(parser.value(QStringLiteral("clock-skew")).toLongLong());
    SimOutcome outcome;
    outcome.endResult = parser.value(QStringLiteral("outcome"));
    const auto tamper = tamperNamed(parser.value(QStringLiteral("signed-copy")));
    if (!tamper) {
        std::fprintf(stderr, "orvela-backend-sim: unknown --signed-copy kind\n");
        return 2;
    }
    outcome.copy = *tamper;
    if (parser.isSet(QStringLiteral("state-dir")) &&
        !sim.useStateDirectory(parser.value(QStringLiteral("state-dir")))) {
        std::fprintf(stderr, "orvela-backend-sim: cannot keep the authorities in --state-dir\n");
        return 2;
    }
    if (parser.isSet(QStringLiteral("write-authority")) &&
        !writeAuthority(sim, parser.value(QStringLiteral("write-authority")))) {
        std::fprintf(stderr, "orvela-backend-sim: cannot write the authority's certificate\n");
        return 2;
    }
    sim.setDefaultOutcome(outcome);
    if (parser.isSet(QStringLiteral("tls-cert")) || parser.isSet(QStringLiteral("tls-key"))) {
        if (!loadTls(sim, parser.value(QStringLiteral("tls-cert")),
                     parser.value(QStringLiteral("tls-key")))) {
            std::fprintf(stderr, "orvela-backend-sim: cannot read the certificate or the key\n");
            return 2;
        }
    }
    if (sim.start(address, static_cast<quint16>(port)) == 0) {
        std::fprintf(stderr, "orvela-backend-sim: cannot listen on %s\n", qPrintable(listen));
        return 1;
    }
    std::printf("orvela-backend-sim: listening on %s\n", qPrintable(sim.baseUrl()));
    std::fflush(stdout);
    return app.exec();
}
