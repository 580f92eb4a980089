#include "certificates/VerifyController.h"

namespace orvela::certificates {

VerifyController::VerifyController(QObject* parent) : QObject(parent) {}

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
    if (const auto* error = std::get_if<api::ApiError>(&result)) {
        m_info.reset();
        m_errorMessage = error->message;
    } else {
        m_info = std::get<CertificateInfo>(result);
        m_errorMessage.clear();
    }
}

void VerifyController::loadFile(const QString& path)
{
    m_sourcePath = path;
    m_errorMessage.clear();
    const CertificateResult result = m_service.parseFile(path);
    show(result);
    if (m_info) {
        m_pemText = m_info->pemSource;
    }
    emit changed();
}

void VerifyController::parse()
{
    m_errorMessage.clear();
    show(m_service.parsePem(m_pemText));
    emit changed();
}

void VerifyController::clear()
{
    m_info.reset();
    m_pemText.clear();
    m_sourcePath.clear();
    m_errorMessage.clear();
    emit changed();
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
