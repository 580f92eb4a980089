#pragma once

#include "common/AppLanguage.h"

#include <QString>

namespace orvela::shell {

/// The English text when the interface is English, the Mongolian one otherwise: page texts
/// that have no localisation key come in such fixed pairs.
inline QString pickText(common::AppLanguage language, const QString& english,
                        const QString& mongolian)
{
    return language == common::AppLanguage::en ? english : mongolian;
}

} // namespace orvela::shell
