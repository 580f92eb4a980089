// Prints what the client adds to a plain Qt request, the memory an upload of a 25 MiB
// document costs, and (with the argument "endless") the peak memory of a signed copy that
// never ends. A program that prints figures, not a test: it fails on nothing but setup.

#include "EndlessChunkedServer.h"
#include "Pades.h"
#include "api/APIClient.h"
#include "api/SignPdfStartResponse.h"
#include "api/StartResponse.h"
#include "common/SettingsKeys.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

using namespace orvela::api;
using orvela::apitest::EndlessChunkedServer;

namespace {

constexpr int requestsPerRound = 200;
constexpr int rounds = 7;

/// Runs the event loop until `done` holds.
void spinUntil(const std::function<bool()>& done)
{
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

/// Microseconds per request for `requestsPerRound` sequential requests made by `one`.
double timeRound(const std::function<void(std::function<void()>)>& one)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < requestsPerRound; ++i) {
        bool finished = false;
        one([&] { finished = true; });
        spinUntil([&] { return finished; });
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1000.0 / requestsPerRound;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

/// The same exchange as the client's start call, done with nothing but Qt.
void bareStart(QNetworkAccessManager& network, const QUrl& url, std::function<void()> finished)
{
    QNetworkRequest request(url);
    request.setRawHeader("Accept", "application/json");
    request.setRawHeader("User-Agent", "Orvela-Desktop/1.0");
    QNetworkReply* reply = network.sendCustomRequest(request, "POST");
    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, finished] {
        const QJsonObject object = QJsonDocument::fromJson(reply->readAll()).object();
        if (object.value("sessionId").toString().isEmpty()) {
            std::fprintf(stderr, "bare request failed\n");
        }
        reply->deleteLater();
        finished();
    });
}

long kilobytes(const char* field)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field)) {
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLong();
        }
    }
    return -1;
}

/// Lets the peak resident size start again from the current one (Linux).
bool resetPeak()
{
    QFile clear("/proc/self/clear_refs");
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

void benchSend(APIClient& client, const QString& base)
{
    QNetworkAccessManager network;
    const QUrl url(base + "/api/start");
    QObject context;
    auto viaClient = [&](std::function<void()> finished) {
        client.send<StartResponse>(Endpoint::start(), &context,
                                   [finished](CallResult<StartResponse> r) {
                                       if (!r.ok()) {
                                           std::fprintf(stderr, "client request failed\n");
                                       }
                                       finished();
                                   });
    };
    auto bare = [&](std::function<void()> finished) { bareStart(network, url, finished); };
    timeRound(viaClient); // warm both connections up
    timeRound(bare);
    std::vector<double> clientTimes;
    std::vector<double> bareTimes;
    for (int i = 0; i < rounds; ++i) {
        clientTimes.push_back(timeRound(viaClient));
        bareTimes.push_back(timeRound(bare));
    }
    const double c = median(clientTimes);
    const double b = median(bareTimes);
    std::printf("send (POST /api/start, %d rounds of %d, median):\n", rounds, requestsPerRound);
    std::printf("  APIClient::send            %8.1f us/request\n", c);
    std::printf("  bare QNetworkAccessManager %8.1f us/request\n", b);
    std::printf("  client overhead            %+8.1f %%  (target: within 10 %%)\n",
                (c / b - 1.0) * 100.0);
}

void benchUpload(APIClient& client)
{
    constexpr qsizetype size = 25 * 1024 * 1024;
    // A genuine PDF the simulator signs for real, made up to the size with blank lines.
    QByteArray pdf = QByteArray::fromStdString(orvela::pades::samplePdf("Orvela", size - 8192));
    pdf.append(std::max<qsizetype>(0, size - pdf.size()), '\n');
    QObject context;
    std::optional<CallResult<SignPdfStartResponse>> started;
    const QString digest =
        QString::fromLatin1(QCryptographicHash::hash(pdf, QCryptographicHash::Sha256).toBase64());
    client.send<SignPdfStartResponse>(Endpoint::signPdfStart("PNOMN-1", digest, "big.pdf"),
                                      &context, [&](auto r) { started.emplace(r); });
    spinUntil([&] { return started.has_value(); });
    if (!started->ok()) {
        std::fprintf(stderr, "sign-pdf-start failed\n");
        return;
    }
    const long idle = kilobytes("VmRSS:");
    const bool peakReset = resetPeak();
    std::optional<CallResult<QByteArray>> result;
    QElapsedTimer timer;
    timer.start();
    client.upload(Endpoint::signPdfDownloadPath(),
                  {{"sessionId", started->value().sessionId},
                   {"pollToken", started->value().pollToken.value_or(QString())}},
                  "file", "big.pdf", "application/pdf", pdf, &context,
                  [&](CallResult<QByteArray> r) { result.emplace(std::move(r)); });
    spinUntil([&] { return result.has_value(); });
    const qint64 ms = timer.elapsed();
    const long peak = kilobytes("VmHWM:");
    const bool ok = result->ok() && result->value().startsWith(pdf.first(1024));
    std::printf("upload of a 25 MiB document (%s, %lld ms):\n",
                ok ? "signed copy received" : "FAILED", static_cast<long long>(ms));
    std::printf("  resident when idle (document loaded)  %8ld KiB\n", idle);
    std::printf("  peak resident during the upload        %8ld KiB%s\n", peak,
                peakReset ? "" : " (peak not resettable: since start)");
    std::printf("  peak above idle                         %8ld KiB = %.2f x the document"
                " (target: at most 2 x; includes the %lld KiB signed copy received)\n",
                peak - idle, static_cast<double>(peak - idle) * 1024.0 / size,
                static_cast<long long>(ok ? result->value().size() / 1024 : 0));
}

/// The peak memory of a signed copy that never ends, refused at the upload limit; with a busy
/// interface thread too, which leaves Qt's network thread alone with the socket for a while.
void benchEndlessChunkedCopy(bool busyInterface)
{
    EndlessChunkedServer server;
    QTemporaryDir dir;
    QSettings settings(dir.filePath("settings.ini"), QSettings::IniFormat);
    APIClientOptions options;
    options.settings = &settings;
    options.fixedBaseUrl = QStringLiteral("http://127.0.0.1:%1").arg(server.port);
    APIClient client(options);
    QObject context;
    QTimer busy;
    QObject::connect(&busy, &QTimer::timeout, &context,
                     [] { std::this_thread::sleep_for(std::chrono::milliseconds(40)); });
    if (busyInterface) {
        busy.start(10);
    }
    const long idle = kilobytes("VmRSS:");
    resetPeak();
    std::optional<CallResult<QByteArray>> result;
    client.upload(Endpoint::signPdfDownloadPath(), {{"sessionId", "s"}}, "file", "a.pdf",
                  "application/pdf", "%PDF-1.7\n", &context,
                  [&](CallResult<QByteArray> r) { result.emplace(std::move(r)); });
    spinUntil([&] { return result.has_value(); });
    busy.stop();
    const long peak = kilobytes("VmHWM:");
    const ApiError* error = result->apiError();
    std::printf("endless chunked signed copy%s: %s after %.1f MiB sent\n",
                busyInterface ? ", interface thread busy 80 %" : "",
                error && error->kind() == ApiError::Kind::replyTooLarge ? "refused" : "NOT REFUSED",
                static_cast<double>(server.written) / 1048576.0);
    std::printf("  peak above idle  %8ld KiB (the limit: %lld KiB)\n", peak - idle,
                static_cast<long long>(ReplyLimits{}.uploadBytes / 1024));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (app.arguments().contains(QStringLiteral("endless"))) {
        benchEndlessChunkedCopy(false);
        benchEndlessChunkedCopy(true);
        return 0;
    }
    const quint16 port = freePort();
    QProcess sim;
    sim.start(QStringLiteral(ORVELA_BACKEND_SIM_PATH),
              {"--listen", QStringLiteral("127.0.0.1:%1").arg(port), "--approve-after", "0"});
    if (!sim.waitForReadyRead(10'000)) {
        std::fprintf(stderr, "the simulator did not start\n");
        return 1;
    }
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(port);

    QTemporaryDir dir;
    QSettings settings(dir.filePath("settings.ini"), QSettings::IniFormat);
    settings.setValue(orvela::settings::apiBaseUrlOverride.toString(), base);
    APIClientOptions options;
    options.settings = &settings;
    APIClient client(options);

    benchSend(client, base);
    benchUpload(client);

    sim.terminate();
    sim.waitForFinished(5'000);
    return 0;
}
