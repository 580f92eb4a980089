#pragma once

#include "common/AppLanguage.h"

#include <QString>

namespace orvela::signing {

/// A screen's text in both interface languages (the signing page's, the sign-in error); texts
/// that come from elsewhere (the platform, the backend) carry the same words in both.
struct SignText {
    QString en;
    QString mn;

    /// The same words whatever the language.
    static SignText same(const QString& text) { return SignText{text, text}; }

    const QString& in(common::AppLanguage language) const
    {
        return language == common::AppLanguage::en ? en : mn;
    }

    bool operator==(const SignText&) const = default;
};

} // namespace orvela::signing
