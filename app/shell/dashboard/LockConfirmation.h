#pragma once

#include <QString>
#include <functional>

class QObject;

namespace orvela::shell {

/// Asks the person to confirm a destructive step. The window code answers with a dialog, tests
/// answer as they like; the answer may come later, and never once `context` is gone.
class LockConfirmation {
public:
    virtual ~LockConfirmation() = default;
    virtual void confirm(const QString& title, const QString& message, const QString& confirmLabel,
                         QObject* context, std::function<void(bool)> answer) = 0;
};

} // namespace orvela::shell
