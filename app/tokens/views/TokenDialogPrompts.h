#pragma once

#include "tokens/views/TokenPrompts.h"

namespace orvela::tokens::views {

/// The token screens' dialogs as window-modal message boxes and file dialogs, answered through
/// their signals so the event loop never nests.
class TokenDialogPrompts : public TokenPrompts {
public:
    void confirm(QWidget* parent, const QString& title, const QString& message,
                 const QString& confirmLabel, const QString& cancelLabel, QObject* context,
                 std::function<void(bool)> answer) override;
    void chooseFileToOpen(QWidget* parent, const QString& title, QObject* context,
                          Chosen chosen) override;
    void chooseFileToSave(QWidget* parent, const QString& title, const QString& suggestedName,
                          QObject* context, Chosen chosen) override;
};

} // namespace orvela::tokens::views
