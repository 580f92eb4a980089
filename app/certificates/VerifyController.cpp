#include "certificates/VerifyController.h"

#include "common/LocalizationService.h"
#include "common/PoolTask.h"

namespace orvela::certificates {

VerifyController::VerifyController(QObject* parent, const common::LocalizationService* texts,
                                   PdfVerifier verifier)
    : QObject(parent), m_texts(texts),
      m_verifier(verifier ? std::move(verifier) : PdfVerifier(uncheckedPdfVerification))
{}

bool VerifyController::isPdfPath(const QString& path)
{
    return path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive);
}

common::AppLanguage VerifyController::language() const
{
    return m_texts != nullptr ? m_texts->language() : common::AppLanguage::mn;
}

void VerifyController::setPemText(const QString& text)
{
    if (text != m_pemText) {
        m_pemText = text;
        emit changed();
    }
}

void VerifyController::setDropTargeted(bool targeted)
{
    if (targeted != m_isDropTargeted) {
        m_isDropTargeted = targeted;
        emit changed();
    }
}

bool VerifyController::canParse() const
{
    return !m_pemText.trimmed().isEmpty();
}

void VerifyController::show(const CertificateResult& result)
{
    if (const auto* error = std::get_if<CertificateError>(&result)) {
        m_info.reset();
        m_errorMessage = certificateErrorText(*error, language());
    } else {
        m_info = std::get<CertificateInfo>(result);
        m_errorMessage.clear();
    }
}

quint64 VerifyController::beginLoad(const QString& path)
{
    m_sourcePath = path;
    m_errorMessage.clear();
    m_pdfPath.clear();
    m_pdf.reset();
    m_isLoading = true;
    return ++m_task;
}

void VerifyController::loadFile(const QString& path)
{
    if (isPdfPath(path)) {
        checkPdf(path);
        return;
    }
    const quint64 task = beginLoad(path);
    emit changed();
    // A file on a slow or network disk would freeze the page; it is read on the pool, and the
    // result is taken only while no later load, parse or clear has replaced it.
    common::runOnPool(
        this, [path] { return common::readLocalFile(path, common::inputLimit::certificate); },
        [this, task](const common::LocalInput& input) {
            if (task == m_task) {
                loaded(input);
            }
        });
}

void VerifyController::checkPdf(const QString& path)
{
    const quint64 task = beginLoad(path);
    m_pdfPath = path;
    m_info.reset();
    m_pemText.clear();
    emit changed();
    using Result = std::variant<PdfVerification, common::LocalInputError>;
    // A verifier reads and hashes the whole document; on the pool the page stays responsive.
    // It is handed only a regular file within the cap, so it never waits on a FIFO's writer.
    common::runOnPool(
        common::documentPool(), this,
        [path, verifier = m_verifier]() -> Result {
            if (auto refused = common::checkLocalFile(path, common::inputLimit::viewedDocument)) {
                return *refused;
            }
            try {
                return verifier(path);
            } catch (...) {
                // A verifier that gives up by throwing has not checked the document.
                return uncheckedPdfVerification(path);
            }
        },
        [this, task](const Result& result) {
            if (task == m_task) {
                pdfChecked(result);
            }
        });
}

void VerifyController::pdfChecked(
    const std::variant<PdfVerification, common::LocalInputError>& result)
{
    m_isLoading = false;
    if (const auto* refused = std::get_if<common::LocalInputError>(&result)) {
        m_errorMessage = m_texts != nullptr
                             ? common::localInputMessage(*refused, *m_texts)
                             : common::localInputMessage(*refused, common::AppLanguage::mn);
    } else {
        m_pdf = std::get<PdfVerification>(result);
    }
    emit changed();
}

void VerifyController::loaded(const common::LocalInput& input)
{
    m_isLoading = false;
    show(CertificateParser().parseInput(input));
    if (m_info) {
        m_pemText = m_info->pemSource;
    }
    emit changed();
}

void VerifyController::parse()
{
    forgetLoad();
    m_errorMessage.clear();
    m_pdfPath.clear();
    m_pdf.reset();
    show(CertificateParser().parsePem(m_pemText));
    emit changed();
}

void VerifyController::clear()
{
    forgetLoad();
    m_info.reset();
    m_pemText.clear();
    m_sourcePath.clear();
    m_errorMessage.clear();
    m_pdfPath.clear();
    m_pdf.reset();
    emit changed();
}

void VerifyController::forgetLoad()
{
    ++m_task;
    m_isLoading = false;
}

bool VerifyController::dropUrls(const QList<QUrl>& urls)
{
    if (urls.isEmpty()) {
        return false;
    }
    loadFile(urls.constFirst().toLocalFile());
    return true;
}

} // namespace orvela::certificates
