#pragma once

#include "signing/views/SignFileChooser.h"

namespace orvela::signing::views {

/// The platform's file-open dialog, window-modal and answered through its signal.
class SignFileDialogChooser : public SignFileChooser {
public:
    void choosePdf(QWidget* parent, const QString& message, Chosen chosen) override;
};

} // namespace orvela::signing::views
