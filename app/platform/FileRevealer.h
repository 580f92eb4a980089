#pragma once

#include <QString>

namespace orvela::platform {

/// Shows a saved file selected in the platform's file browser.
class FileRevealer {
public:
    virtual ~FileRevealer() = default;
    virtual void reveal(const QString& path) = 0;
};

} // namespace orvela::platform
