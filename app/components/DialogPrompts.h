#pragma once

#include "components/Prompts.h"

namespace orvela::components {

/// The questions as window-modal message boxes and file dialogs, answered through their
/// signals so the event loop never nests.
class DialogPrompts final : public Prompts {
public:
    void confirm(QWidget* parent, const QString& title, const QString& message,
                 const QString& confirmLabel, const QString& cancelLabel, QObject* context,
                 std::function<void(bool)> answer) override;
    void chooseFileToOpen(QWidget* parent, const QString& title, const QStringList& nameFilters,
                          QObject* context, Chosen chosen) override;
    void chooseFileToSave(QWidget* parent, const QString& title, const QString& suggestedName,
                          QObject* context, Chosen chosen) override;
};

} // namespace orvela::components
