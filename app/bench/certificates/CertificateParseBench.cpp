// The cost of reading a whole certificate report against OpenSSL's bare parse of the same
// bytes, over every certificate Debian ships.
#include "certificates/CertificateParser.h"

#include <QDir>
#include <QFile>

#include <openssl/x509.h>

#include <benchmark/benchmark.h>

namespace {

const QList<QByteArray>& corpus()
{
    static const QList<QByteArray> ders = [] {
        QList<QByteArray> out;
        const QDir certs(QStringLiteral("/etc/ssl/certs"));
        const orvela::certificates::CertificateParser service;
        for (const QString& name : certs.entryList({QStringLiteral("*.pem")}, QDir::Files)) {
            const auto result = service.parseFile(certs.filePath(name));
            if (const auto* info = std::get_if<orvela::certificates::CertificateInfo>(&result)) {
                QString body = info->pemSource;
                body.remove(QStringLiteral("-----BEGIN CERTIFICATE-----"))
                    .remove(QStringLiteral("-----END CERTIFICATE-----"))
                    .remove(u'\n');
                out << QByteArray::fromBase64(body.toLatin1());
            }
        }
        return out;
    }();
    return ders;
}

void bareOpenSslParse(benchmark::State& state)
{
    const auto& ders = corpus();
    for (auto _ : state) {
        for (const QByteArray& der : ders) {
            const auto* p = reinterpret_cast<const unsigned char*>(der.constData());
            X509* certificate = d2i_X509(nullptr, &p, der.size());
            benchmark::DoNotOptimize(certificate);
            X509_free(certificate);
        }
    }
    state.counters["certificates"] = static_cast<double>(ders.size());
}

void parseDer(benchmark::State& state)
{
    const auto& ders = corpus();
    const orvela::certificates::CertificateParser service;
    const QString pem = QStringLiteral("-");
    for (auto _ : state) {
        for (const QByteArray& der : ders) {
            auto result = service.parseDer(der, pem);
            benchmark::DoNotOptimize(result);
        }
    }
    state.counters["certificates"] = static_cast<double>(ders.size());
}

} // namespace

BENCHMARK(bareOpenSslParse)->Unit(benchmark::kMillisecond);
BENCHMARK(parseDer)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
