#pragma once

#include <QString>
#include <functional>

class QObject;
class QWidget;

namespace orvela::common {
class LocalizationService;
}

namespace orvela::tokens::views {

/// The dialogs of the token screens, behind an interface so that tests answer in their place.
/// Answers may come later, from the event loop, and never once `context` is gone.
class TokenPrompts {
public:
    using Chosen = std::function<void(const QString& path)>;

    virtual ~TokenPrompts() = default;

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

/// Warns that every key, certificate and PIN on the token is about to go, over `asker`'s
/// window; runs `wipe` only when the person agrees, and never once `asker` is gone.
void confirmTokenWipe(TokenPrompts& prompts, QWidget* asker,
                      const common::LocalizationService& localization, std::function<void()> wipe);

} // namespace orvela::tokens::views
