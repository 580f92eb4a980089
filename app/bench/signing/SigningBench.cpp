// Prints what signing a 25 MiB document costs: reading and hashing it against OpenSSL's SHA-256
// over the same bytes already in memory, the memory a complete signing takes above idle, and
// the longest stall of the interface thread meanwhile. Figures, not a test: it fails on nothing
// but setup.

#include "Pades.h"
#include "api/APIClient.h"
#include "platform/BiometricGate.h"
#include "platform/KeychainManager.h"
#include "session/AppState.h"
#include "signing/DocumentHash.h"
#include "signing/SigningController.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMetaEnum>
#include <QProcess>
#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <openssl/evp.h>
#include <vector>

using namespace orvela;
using Phase = signing::SigningController::Phase;

namespace {

constexpr qint64 documentSize = 25 * 1024 * 1024;
constexpr int rounds = 7;

class PassingGate : public platform::BiometricGate {
public:
    void evaluate(const QString&, QObject*, Done done) override { done(Outcome::passed); }
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double millisecondsOf(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

/// A genuine PDF the simulator signs for real, `size` bytes with blank lines after its end.
QByteArray pdfBytes(qint64 size)
{
    const std::size_t body = size > 16384 ? static_cast<std::size_t>(size - 8192) : 0;
    QByteArray bytes = QByteArray::fromStdString(orvela::pades::samplePdf("Orvela", body));
    bytes.append(std::max<qint64>(0, size - bytes.size()), '\n');
    return bytes;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

/// kB of a /proc/self/status field ("VmRSS", "VmHWM").
long statusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix)) {
            return line.mid(prefix.size()).trimmed().split(' ').first().toLong();
        }
    }
    return -1;
}

/// Starts the peak count afresh (VmHWM := VmRSS).
bool resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

void benchHash(const QString& path, const QByteArray& bytes)
{
    std::vector<double> ours;
    std::vector<double> openssl;
    std::vector<double> reads;
    for (int i = 0; i < rounds; ++i) {
        ours.push_back(millisecondsOf([&] {
            const auto document = signing::DocumentHash::read(path, documentSize);
            if (document.status != signing::DocumentHash::Status::ok) {
                std::fprintf(stderr, "read failed\n");
            }
        }));
        openssl.push_back(millisecondsOf([&] {
            unsigned char digest[EVP_MAX_MD_SIZE];
            unsigned int length = 0;
            EVP_Digest(bytes.constData(), static_cast<size_t>(bytes.size()), digest, &length,
                       EVP_sha256(), nullptr);
        }));
        reads.push_back(millisecondsOf([&] {
            QFile file(path);
            QByteArray buffer(documentSize, Qt::Uninitialized);
            if (!file.open(QIODevice::ReadOnly) || file.read(buffer.data(), documentSize) < 0) {
                std::fprintf(stderr, "plain read failed\n");
            }
        }));
    }
    const double o = median(ours);
    const double h = median(openssl);
    const double r = median(reads);
    std::printf("read+hash 25 MiB (DocumentHash::read), median of %d: %.1f ms\n", rounds, o);
    std::printf("OpenSSL SHA-256 over the bytes in memory:            %.1f ms\n", h);
    std::printf("plain read of the file (page cache):                 %.1f ms\n", r);
    std::printf("target 1.2 x hash + read = %.1f ms; read+hash is %.2f x hash + read\n",
                1.2 * h + r, o / (h + r));
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

/// Signs `path` to the end; returns the longest gap between 1 ms ticks of the interface thread.
double signAndMeasureStall(signing::SigningController& signing, const QString& path)
{
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    qint64 longestAt = 0;
    Phase longestPhase = Phase::idle;
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    ticks.setInterval(1);
    QObject::connect(&ticks, &QTimer::timeout, &ticks, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (now - last > longest) {
            longest = now - last;
            longestPhase = signing.phase();
            longestAt = now;
        }
        last = now;
    });
    QObject::connect(&signing, &signing::SigningController::phaseChanged, &ticks, [](Phase phase) {
        std::printf("  VmRSS at %-16s %ld kB\n",
                    QMetaEnum::fromType<Phase>().valueToKey(static_cast<int>(phase)),
                    statusKb("VmRSS"));
    });
    clock.start();
    ticks.start();
    signing.signFile(path);
    while (signing.phase() != Phase::done && signing.phase() != Phase::failed) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    ticks.stop();
    std::printf("  longest stall ended %.0f ms after the start, in phase %s\n",
                static_cast<double>(longestAt) / 1e6,
                QMetaEnum::fromType<Phase>().valueToKey(static_cast<int>(longestPhase)));
    if (signing.phase() == Phase::failed) {
        std::fprintf(
            stderr, "signing failed: %s\n",
            qPrintable(signing::signFailureText(signing.failure(), common::AppLanguage::en)));
    }
    return static_cast<double>(longest) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString big = dir.filePath(QStringLiteral("big.pdf"));
    const QString small = dir.filePath(QStringLiteral("small.pdf"));
    {
        const QByteArray bytes = pdfBytes(documentSize);
        if (!writeFile(big, bytes) || !writeFile(small, pdfBytes(64 * 1024))) {
            std::fprintf(stderr, "cannot write the documents\n");
            return 1;
        }
        benchHash(big, bytes);
    }

    const quint16 port = freePort();
    QProcess sim;
    sim.start(QStringLiteral(ORVELA_BACKEND_SIM_PATH),
              {"--listen", QStringLiteral("127.0.0.1:%1").arg(port), "--approve-after", "0.3"});
    if (!sim.waitForReadyRead(10'000)) {
        std::fprintf(stderr, "the simulator did not start\n");
        return 1;
    }
    QSettings settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    PassingGate gate;
    platform::KeychainManager keychain(QStringLiteral("mn.orvela.eid.desktop.bench"));
    session::AppState appState(keychain, settings, gate);
    appState.applyIdentity({QStringLiteral("MN0012345"), QStringLiteral("Bench"),
                            QStringLiteral("AB12345678"), QString(), QStringLiteral("QUALIFIED"),
                            QStringLiteral("2026-01-01T00:00:00Z")});
    api::APIClientOptions options;
    options.settings = &settings;
    options.fixedBaseUrl = QStringLiteral("http://127.0.0.1:%1").arg(port);
    api::APIClient client(options);
    const QString downloads = dir.filePath(QStringLiteral("Downloads"));
    signing::SigningController signing(appState, client, [&downloads](signing::SignFailure*) {
        QDir().mkpath(downloads);
        return downloads;
    });

    // A small signing first, so that idle already holds the thread pool, the connection and
    // everything else loaded once.
    std::printf("warm-up signing of 64 KiB:\n");
    signAndMeasureStall(signing, small);
    const long idleKb = statusKb("VmRSS");
    const bool peakReset = resetPeak();
    std::printf("signing 25 MiB against the simulator (separate process):\n");
    const double stallMs = signAndMeasureStall(signing, big);
    const long peakKb = statusKb("VmHWM");
    const double aboveIdleMiB = static_cast<double>(peakKb - idleKb) / 1024.0;
    std::printf("  idle VmRSS %ld kB, peak VmHWM %ld kB%s\n", idleKb, peakKb,
                peakReset ? "" : " (peak not reset: counts since start)");
    std::printf("  peak above idle: %.1f MiB = %.2f x the document (target at most 2.5 x)\n",
                aboveIdleMiB, aboveIdleMiB / 25.0);
    std::printf("  longest interface-thread stall: %.1f ms (target under 16 ms)\n", stallMs);

    sim.terminate();
    sim.waitForFinished(5'000);
    return 0;
}
