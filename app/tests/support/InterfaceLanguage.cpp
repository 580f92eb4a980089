#include "InterfaceLanguage.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QWidget>
#include <algorithm>

namespace orvela::testing {
namespace {

// Names a citizen meets in both languages alike: the technical names of the token, the
// certificate and the signature, the product's and the token maker's names. Longest first, so that
// no shorter name takes a piece out of a longer one.
QStringList technicalNames()
{
    // clang-format off
    QStringList names{"APDU", "PKCS#11", "PKCS#10", "SO PIN", "User PIN", "PIN", "PUK", "CSR",
                      "ATR", "SHA-256", "SHA-1", "SPKI", "ECDSA", "EC P-256", "X.509", "PEM",
                      "DER", "CER", "CRT", "FIPS", "Tessel", "Nuvia", "Orvela", "PDF", "QR",
                      "USB", "pcscd", "/api"};
    // clang-format on
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });
    return names;
}

} // namespace

QString shownText(QWidget& widget)
{
    if (auto* label = qobject_cast<QLabel*>(&widget)) {
        return label->text();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(&widget)) {
        return button->text();
    }
    if (auto* field = qobject_cast<QLineEdit*>(&widget)) {
        return field->text().isEmpty() ? field->placeholderText() : QString();
    }
    if (auto* box = qobject_cast<QComboBox*>(&widget)) {
        return box->currentText();
    }
    return {};
}

bool isForeign(QString text, common::AppLanguage language, const QStringList& kept)
{
    static const QStringList names = technicalNames();
    // Fingerprints, keys and signatures in Base64 or hexadecimal are data, and so are the paths
    // of files and libraries. Data goes first and whole: a Base64 value holds slashes, and read
    // as a path first it would leave a stray piece that looks like a word. A run that goes on
    // into a dot or a dash is a path's, not data.
    static const QRegularExpression data(
        QStringLiteral("(?<![\\w.\\-/+=:])[A-Za-z0-9+/=:]{16,}(?![\\w.\\-/+=:])"));
    static const QRegularExpression path(QStringLiteral("(/[\\w.+-]+){2,}"));
    static const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
    static const QRegularExpression latinWord(QStringLiteral("\\b[A-Za-z]{3,}\\b"));
    text.remove(data);
    QStringList pieces = kept;
    std::sort(pieces.begin(), pieces.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });
    for (const QString& piece : std::as_const(pieces) + names) {
        text.remove(piece);
    }
    text.remove(path);
    return language == common::AppLanguage::en ? text.contains(cyrillic) : text.contains(latinWord);
}

QStringList foreignTexts(QWidget& root, common::AppLanguage language, const QStringList& kept)
{
    QStringList found;
    for (QWidget* widget : root.findChildren<QWidget*>()) {
        const QString text = shownText(*widget);
        if (widget->isVisibleTo(&root) && !text.isEmpty() && isForeign(text, language, kept)) {
            found << QString::fromLatin1(widget->metaObject()->className()) + u'#' +
                         widget->objectName() + QStringLiteral(": ") + text;
        }
    }
    return found;
}

} // namespace orvela::testing
