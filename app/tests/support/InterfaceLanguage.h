#pragma once

#include "common/AppLanguage.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace orvela::testing {

/// Whether `text`, shown under `language`, is in the other language: Cyrillic in English, or in
/// Mongolian a Latin word that is neither a technical name that reads the same in both (APDU,
/// PKCS#11, PIN, SHA-256, …) nor one of `kept` (the person's own data, names the test shows).
bool isForeign(QString text, common::AppLanguage language, const QStringList& kept = {});

/// What `widget` shows as text: a label's or button's text, an empty field's placeholder, a
/// picker's current choice.
QString shownText(QWidget& widget);

/// "Class#name: text" of every label and button shown under `root` whose text isForeign.
QStringList foreignTexts(QWidget& root, common::AppLanguage language, const QStringList& kept = {});

} // namespace orvela::testing
