#pragma once

#include <QString>
#include <functional>

class QObject;
class QWidget;

namespace orvela::tokens::views {

/// The dialogs of the administration sections, behind an interface so that tests answer in
/// their place. Answers may come later, from the event loop, and never once `context` is gone.
class AdminPrompts {
public:
    using Chosen = std::function<void(const QString& path)>;

    virtual ~AdminPrompts() = default;

    /// Asks before a step that destroys data; `answer` gets true only for `confirmLabel`.
    virtual void confirm(QWidget* parent, const QString& title, const QString& message,
                         const QString& confirmLabel, const QString& cancelLabel, QObject* context,
                         std::function<void(bool)> answer) = 0;
    /// One existing file, no folders, no type filter; `chosen` is not called when dismissed.
    virtual void chooseFileToOpen(QWidget* parent, const QString& title, QObject* context,
                                  Chosen chosen) = 0;
    /// Where to write a file, starting from `suggestedName`; not called when dismissed.
    virtual void chooseFileToSave(QWidget* parent, const QString& title,
                                  const QString& suggestedName, QObject* context,
                                  Chosen chosen) = 0;
};

} // namespace orvela::tokens::views
