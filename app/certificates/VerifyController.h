#pragma once

#include "certificates/CertificateInfo.h"
#include "certificates/CertificateParser.h"
#include "certificates/PdfVerification.h"

#include <QList>
#include <QObject>
#include <QUrl>
#include <optional>

namespace orvela::certificates {

/// The verification page's state and actions; the page only shows it. It inspects a certificate
/// (a file or pasted text), or checks the signatures of a PDF with the verifier it was given.
class VerifyController : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString pemText READ pemText WRITE setPemText NOTIFY changed)
    Q_PROPERTY(QString sourcePath READ sourcePath NOTIFY changed)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY changed)
    Q_PROPERTY(bool isDropTargeted READ isDropTargeted WRITE setDropTargeted NOTIFY changed)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY changed)

public:
    /// `texts` words the errors in its current language (Mongolian when none is given).
    /// `verifier` checks PDFs on the thread pool; without one, every PDF is reported as not
    /// checked.
    explicit VerifyController(QObject* parent = nullptr,
                              const common::LocalizationService* texts = nullptr,
                              PdfVerifier verifier = {});

    const QString& pemText() const { return m_pemText; }
    const QString& sourcePath() const { return m_sourcePath; }
    const QString& errorMessage() const { return m_errorMessage; }
    const std::optional<CertificateInfo>& info() const { return m_info; }
    bool isDropTargeted() const { return m_isDropTargeted; }
    /// True while a file is being read or a PDF checked; the page shows the result when it
    /// arrives.
    bool isLoading() const { return m_isLoading; }
    /// The PDF the page shows, or empty when it shows a certificate or nothing.
    const QString& pdfPath() const { return m_pdfPath; }
    /// The check of that PDF, once it has finished.
    const std::optional<PdfVerification>& pdfVerification() const { return m_pdf; }

    /// Whether a file is taken as a PDF (by its name: the file manager and the chooser name
    /// it so).
    static bool isPdfPath(const QString& path);

    void setPemText(const QString& text);
    void setDropTargeted(bool targeted);

    /// Whether the paste area holds more than white space and line breaks.
    bool canParse() const;

    /// Reads a certificate file off the interface thread (a regular file of at most
    /// common::inputLimit::certificate bytes), or checks a PDF there (a regular file of at most
    /// common::inputLimit::viewedDocument bytes); `changed` tells when its result is shown. A
    /// failure still records the path. A later load, parse or clear discards a pending result.
    void loadFile(const QString& path);
    /// Parses the paste area as it stands.
    void parse();
    /// Empties the page.
    void clear();
    /// Loads the first dropped local file; true when anything was dropped at all.
    bool dropUrls(const QList<QUrl>& urls);

signals:
    void changed();

private:
    void show(const CertificateResult& result);
    void loaded(const common::LocalInput& input);
    void checkPdf(const QString& path);
    void pdfChecked(const std::variant<PdfVerification, common::LocalInputError>& result);
    /// Starts a file's task: the page shows `path` and nothing else, waiting.
    quint64 beginLoad(const QString& path);
    void forgetLoad();
    /// A parser that words its errors in the page's language as it is now.
    common::AppLanguage language() const;

    const common::LocalizationService* m_texts;
    QString m_pemText;
    QString m_sourcePath;
    QString m_errorMessage;
    std::optional<CertificateInfo> m_info;
    PdfVerifier m_verifier;
    QString m_pdfPath;
    std::optional<PdfVerification> m_pdf;
    bool m_isDropTargeted = false;
    bool m_isLoading = false;
    quint64 m_task = 0; ///< numbers file loads, so that a late result is dropped
};

} // namespace orvela::certificates
