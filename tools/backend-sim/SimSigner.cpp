#include "SimSigner.h"

#include "Surgery.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace orvela::backendsim {

namespace {

const std::string authorityName = "Orvela Simulated Signing CA";
const std::string timestamperName = "Orvela Simulated Timestamp Authority";

std::string bytes(const QByteArray& data)
{
    return data.toStdString();
}

QByteArray qbytes(const std::string& data)
{
    return QByteArray(data.data(), static_cast<qsizetype>(data.size()));
}

std::string readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? bytes(file.readAll()) : std::string();
}

void writeText(const QString& path, const std::string& text, bool secret)
{
    QSaveFile file(path);
    const bool opened =
        file.open(QIODevice::WriteOnly) &&
        (!secret || file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    if (!opened || file.write(qbytes(text)) != qint64(text.size()) || !file.commit()) {
        throw pades::PadesError("cannot write " + path.toStdString());
    }
}

/// The credential kept under `stem` in `directory`, or a new one made by `make` and kept there.
template <class Make>
pades::Credential kept(const QString& directory, const QString& stem, Make make)
{
    const QString certificate = directory + u'/' + stem + QStringLiteral(".pem");
    const QString key = directory + u'/' + stem + QStringLiteral("-key.pem");
    if (QFile::exists(certificate) && QFile::exists(key)) {
        return pades::Credential::fromPem(readText(certificate), readText(key));
    }
    pades::Credential made = make();
    writeText(key, made.privateKeyPem(), true);
    writeText(certificate, made.certificatePem(), false);
    return made;
}

} // namespace

SimSigner::SimSigner()
    : m_authority(pades::makeAuthority(authorityName)),
      m_timestamper(pades::issueTimestamper(m_authority, timestamperName))
{}

SimSigner::SimSigner(const QString& directory)
{
    if (!QDir().mkpath(directory)) {
        throw pades::PadesError("cannot create " + directory.toStdString());
    }
    m_authority =
        kept(directory, QStringLiteral("ca"), [] { return pades::makeAuthority(authorityName); });
    m_timestamper = kept(directory, QStringLiteral("tsa"),
                         [this] { return pades::issueTimestamper(m_authority, timestamperName); });
}

QByteArray SimSigner::authorityPem() const
{
    return qbytes(m_authority.certificatePem());
}

const pades::Credential& SimSigner::signerFor(const QString& registerNumber, const QString& name)
{
    const QString key = registerNumber + u'\n' + name;
    auto it = m_signers.find(key);
    if (it == m_signers.end()) {
        it = m_signers.insert(
            key, pades::issueSigner(m_authority, registerNumber.toStdString(), name.toStdString()));
    }
    return *it;
}

QByteArray SimSigner::sign(const QByteArray& pdf, const QString& registerNumber,
                           const QString& name, SignedCopyTamper tamper)
{
    if (tamper == SignedCopyTamper::unsigned_) {
        return pdf;
    }
    std::string document = bytes(pdf);
    QString signer = registerNumber;
    QString signerName = name;
    if (tamper == SignedCopyTamper::otherDocument) {
        document = pades::samplePdf("Another document");
    } else if (tamper == SignedCopyTamper::otherSigner) {
        signer = QStringLiteral("УБ00000000");
        signerName = QStringLiteral("Өөр Хүн");
    }
    pades::SignOptions options;
    options.timestamper = m_timestamper;
    options.chain = {m_authority};
    const std::string signedPdf = pades::signPdf(document, signerFor(signer, signerName), options);
    switch (tamper) {
    case SignedCopyTamper::appendedAfter:
        return qbytes(pades::applyAttack(signedPdf, pades::Attack::appendPageContent));
    case SignedCopyTamper::byteRangeGap:
        return qbytes(pades::applyAttack(signedPdf, pades::Attack::wrapGapObjects));
    case SignedCopyTamper::brokenContents:
        return qbytes(pades::applyAttack(signedPdf, pades::Attack::contentsEmpty));
    default:
        return qbytes(signedPdf);
    }
}

} // namespace orvela::backendsim
