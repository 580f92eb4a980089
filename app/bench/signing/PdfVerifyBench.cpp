// Prints what checking the signature of a 25 MiB signed PDF costs here, against poppler's
// pdfsig on the same file: the median of a few runs each. Figures, not a test: it fails on
// nothing but setup.

#include "Pades.h"
#include "signing/PdfSignatureVerifier.h"
#include "signing/SignatureTexts.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace orvela;

namespace {

constexpr std::size_t documentSize = 25 * 1024 * 1024;
constexpr int rounds = 5;

double medianMilliseconds(const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main()
{
    QTemporaryDir dir;
    const auto authority = pades::makeAuthority("Bench Authority");
    const auto signer = pades::issueSigner(authority, "AA00112233", "Bench Signer");
    const std::string pdf = pades::signPdf(pades::samplePdf("Bench", documentSize), signer);
    const QString path = dir.filePath(QStringLiteral("signed.pdf"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(pdf.data(), static_cast<qint64>(pdf.size())) !=
            static_cast<qint64>(pdf.size())) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    file.close();

    signing::VerifyOptions options;
    options.trustPem = QByteArray::fromStdString(authority.certificatePem());
    signing::Verdict verdict = signing::Verdict::invalid;
    const double ours =
        medianMilliseconds([&] { verdict = signing::verifyPdfFile(path, options).verdict; });
    std::printf("signed PDF: %.1f MiB\n", static_cast<double>(pdf.size()) / (1024.0 * 1024.0));
    std::printf("orvela verifier: %8.1f ms (median of %d), verdict %s\n", ours, rounds,
                qPrintable(signing::verdictName(verdict)));

    // A second signature makes the first one's check compare its revision with the final one.
    const std::string twice = pades::signPdf(pdf, signer);
    const QString twicePath = dir.filePath(QStringLiteral("signed-twice.pdf"));
    QFile twiceFile(twicePath);
    if (twiceFile.open(QIODevice::WriteOnly)) {
        twiceFile.write(twice.data(), static_cast<qint64>(twice.size()));
        twiceFile.close();
        const double both = medianMilliseconds(
            [&] { verdict = signing::verifyPdfFile(twicePath, options).verdict; });
        std::printf("orvela verifier, two signatures: %8.1f ms (median of %d), verdict %s\n", both,
                    rounds, qPrintable(signing::verdictName(verdict)));
    }

    const QString pdfsig = QStandardPaths::findExecutable(QStringLiteral("pdfsig"));
    if (pdfsig.isEmpty()) {
        std::printf("pdfsig:          not installed (poppler-utils)\n");
        return 0;
    }
    QString said;
    const auto runPdfsig = [&](const QString& checked) {
        return medianMilliseconds([&] {
            QProcess process;
            process.start(pdfsig, {checked});
            process.waitForFinished(120000);
            said = QString::fromUtf8(process.readAllStandardOutput());
        });
    };
    const double theirs = runPdfsig(path);
    std::printf("pdfsig:          %8.1f ms (median of %d), %s\n", theirs, rounds,
                said.contains(QStringLiteral("Signature is Valid.")) ? "signature valid"
                                                                     : "signature NOT valid");
    const double theirsBoth = runPdfsig(twicePath);
    std::printf("pdfsig, two signatures:          %8.1f ms (median of %d), %lld valid\n",
                theirsBoth, rounds,
                static_cast<long long>(said.count(QStringLiteral("Signature is Valid."))));
    return 0;
}
