#include "certificates/VerifyController.h"

#include "common/PoolTask.h"

namespace orvela::certificates {

VerifyController::VerifyController(QObject* parent, const common::LocalizationService* texts)
    : QObject(parent), m_texts(texts)
{}

CertificateServiceImpl VerifyController::service() const
{
    return CertificateServiceImpl(m_texts != nullptr ? m_texts->language()
                                                     : common::AppLanguage::mn);
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
    m_isLoading = true;
    const quint64 task = ++m_task;
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

void VerifyController::loaded(const common::LocalInput& input)
{
    m_isLoading = false;
    show(service().parseInput(input, m_texts));
    if (m_info) {
        m_pemText = m_info->pemSource;
    }
    emit changed();
}

void VerifyController::parse()
{
    forgetLoad();
    m_errorMessage.clear();
    show(service().parsePem(m_pemText));
    emit changed();
}

void VerifyController::clear()
{
    forgetLoad();
    m_info.reset();
    m_pemText.clear();
    m_sourcePath.clear();
    m_errorMessage.clear();
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
