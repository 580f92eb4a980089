#pragma once

#include "state/views/SignFileChooser.h"

namespace orvela::state::views {

/// The platform's file-open dialog, window-modal and answered through its signal.
class SignFileDialogChooser : public SignFileChooser {
public:
    void choosePdf(QWidget* parent, const QString& message, Chosen chosen) override;
};

} // namespace orvela::state::views
