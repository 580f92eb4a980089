// Prints the figures of a signed PDF on the verification page:
//  1. drawing the first-page preview of an ordinary page (text and a few shapes) at the page's
//     size on a 2x screen, median and worst of 30 runs;
//  2. the longest stall of the interface thread while the page checks a large PDF (about 50 MiB)
//     with a slow verifier that reads and hashes the whole file and then waits 1.5 s, preview
//     included, and how much of it the thread spent on the processor (the rest is waiting for
//     one on a loaded machine).
// Run with QT_QPA_PLATFORM=offscreen (the default here) or under `xvfb-run -a`.

#include "certificates/VerifyController.h"
#include "certificates/views/VerifyView.h"
#include "common/LocalizationService.h"
#include "components/PdfPagePreview.h"
#include "components/PdfPageRenderer.h"

#include <QApplication>
#include <QBuffer>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace orvela;

namespace {

/// One A4 page of an ordinary letter: a heading, paragraphs, a table's lines. Then
/// `ballastPages` pages, each a noise image `ballastPixels` a side, which compresses poorly: a
/// large file whose first page is still ordinary.
QByteArray ordinaryPdf(int ballastPages = 0, int ballastPixels = 3600)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(72);
    QPainter painter(&writer);
    QFont font = painter.font();
    font.setPointSize(20);
    painter.setFont(font);
    painter.drawText(QPoint(60, 80), QStringLiteral("Agreement of sale"));
    font.setPointSize(10);
    painter.setFont(font);
    for (int line = 0; line < 45; ++line) {
        painter.drawText(QPoint(60, 120 + line * 14),
                         QStringLiteral("%1. The seller hands over the goods listed below, and the "
                                        "buyer pays the price agreed, within thirty days.")
                             .arg(line + 1));
    }
    for (int row = 0; row < 6; ++row) {
        painter.drawLine(60, 780 - row * 12, 540, 780 - row * 12);
    }
    painter.drawEllipse(QRect(440, 60, 80, 40));
    for (int page = 0; page < ballastPages; ++page) {
        writer.newPage();
        QImage noise(ballastPixels, ballastPixels, QImage::Format_RGB32);
        QRandomGenerator random(static_cast<quint32>(42 + page));
        for (int y = 0; y < noise.height(); ++y) {
            auto* line = reinterpret_cast<quint32*>(noise.scanLine(y));
            for (int x = 0; x < noise.width(); ++x) {
                line[x] = random.generate() | 0xFF000000u;
            }
        }
        painter.drawImage(QRect(0, 0, 595, 842), noise);
    }
    painter.end();
    return buffer.data();
}

qint64 threadCpuNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readLine().trimmed())
                                          : QStringLiteral("unknown");
}

QString writeFile(const QTemporaryDir& dir, const char* name, const QByteArray& bytes)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qUtf8Printable(path));
    }
    return path;
}

void renderFigures(const QString& path)
{
    const QSize box = QSize(240, 320) * 2;
    std::vector<double> runs;
    for (int run = 0; run < 30; ++run) {
        QElapsedTimer clock;
        clock.start();
        const auto page = components::PdfPageRenderer::renderFirstPage(path, box);
        runs.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        if (page.status != components::PdfPageImage::Status::rendered) {
            std::printf("first-page preview: the page was not drawn\n");
            return;
        }
    }
    std::sort(runs.begin(), runs.end());
    std::printf("first-page preview of an ordinary page, 240x320 at 2x: median %.1f ms, worst "
                "%.1f ms of %zu (target < 100 ms)\n",
                runs[runs.size() / 2], runs.back(), runs.size());
}

/// A verifier as slow as a real one on a large file, and slower: it reads and hashes every byte,
/// then waits.
certificates::PdfVerification slowVerifier(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (file.open(QIODevice::ReadOnly)) {
        hash.addData(&file);
    }
    QThread::msleep(1500);
    certificates::SignatureRow row;
    row.verdict = certificates::SignatureVerdict::valid;
    row.signerName = QStringLiteral("Bench Signer");
    row.claimedTime = QDateTime::currentDateTimeUtc();
    return {certificates::DocumentVerdict::valid, {row, row, row}};
}

void stallFigures(const QString& path, qint64 size)
{
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
    common::LocalizationService texts(&settings);
    certificates::VerifyController controller(nullptr, &texts, slowVerifier);
    certificates::views::VerifyView view(controller, texts);
    view.resize(860, 900);
    view.show();
    // The page is on screen before the file arrives, as when a person drops one on it.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    auto* preview = view.findChild<components::PdfPagePreview*>();

    // The stall probe: a 1 ms timer; any gap beyond its period is time the thread was busy.
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    // On a loaded machine a gap is partly time the thread waited for a processor; its own CPU
    // time within the longest gap tells the work the page did from the waiting.
    qint64 lastCpu = threadCpuNs();
    qint64 longestCpu = 0;
    qint64 longestAt = 0;
    QObject::connect(&probe, &QTimer::timeout, &probe, [&] {
        const qint64 now = clock.nsecsElapsed();
        const qint64 cpu = threadCpuNs();
        if (now - last > longest) {
            longest = now - last;
            longestCpu = cpu - lastCpu;
            longestAt = last;
        }
        last = now;
        lastCpu = cpu;
    });
    clock.start();
    probe.start();
    // The file comes with the event loop running, as a drop does.
    bool started = false;
    qint64 handedAt = 0;
    qint64 drawnAt = 0;
    qint64 checkedAt = 0;
    QTimer::singleShot(50, &controller, [&] {
        handedAt = clock.nsecsElapsed();
        controller.loadFile(path);
        started = true;
    });
    QObject::connect(preview, &components::PdfPagePreview::stateChanged, &probe,
                     [&](components::PdfPagePreview::State state) {
                         if (state == components::PdfPagePreview::State::shown) {
                             drawnAt = clock.nsecsElapsed();
                         }
                     });
    QObject::connect(&controller, &certificates::VerifyController::changed, &probe, [&] {
        if (started && !controller.isLoading() && checkedAt == 0) {
            checkedAt = clock.nsecsElapsed();
        }
    });
    QElapsedTimer deadline;
    deadline.start();
    const auto busy = [&] {
        return !started || controller.isLoading() ||
               preview->state() == components::PdfPagePreview::State::rendering;
    };
    while (busy() && deadline.elapsed() < 30'000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    const qint64 finished = deadline.elapsed();
    while (deadline.elapsed() < finished + 300) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    probe.stop();
    const bool checked = controller.pdfVerification().has_value() &&
                         preview->state() == components::PdfPagePreview::State::shown;
    std::printf("longest interface-thread stall while checking a %.1f MiB PDF with a verifier "
                "taking %.1f s%s: %.2f ms, of which %.2f ms on the processor (timer period 1 ms; "
                "target < 16 ms)\n",
                static_cast<double>(size) / (1024.0 * 1024.0),
                static_cast<double>(finished) / 1000.0, checked ? "" : " (did not finish)",
                static_cast<double>(longest) / 1e6, static_cast<double>(longestCpu) / 1e6);
    const auto since = [handedAt](qint64 at) { return static_cast<double>(at - handedAt) / 1e6; };
    std::printf(
        "  after the file was handed over: the longest stall began at %.0f ms, the page was "
        "drawn at %.0f ms, the check ended at %.0f ms; load average %s\n",
        since(longestAt), since(drawnAt), since(checkedAt), qUtf8Printable(loadAverage()));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    QTemporaryDir dir;
    renderFigures(writeFile(dir, "ordinary.pdf", ordinaryPdf()));
    const QByteArray large = ordinaryPdf(4);
    // Twice: the first run also pays for the first use of fonts and icons.
    for (const char* name : {"large-1.pdf", "large-2.pdf"}) {
        stallFigures(writeFile(dir, name, large), large.size());
    }
    return 0;
}
