#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace orvela::tokens::views {

/// Asks the person for the one file to digest and sign; tests answer in place of a dialog. The
/// answer may come later from the event loop, never from a nested one.
class SignTestFileChooser {
public:
    /// The chosen path; not called when the person dismissed the chooser.
    using Chosen = std::function<void(const QString& path)>;

    virtual ~SignTestFileChooser() = default;
    virtual void choose(QWidget* parent, const QString& message, Chosen chosen) = 0;
};

/// The platform's file-open dialog for any one existing file, window-modal.
class SignTestFileDialog final : public SignTestFileChooser {
public:
    void choose(QWidget* parent, const QString& message, Chosen chosen) override;
};

} // namespace orvela::tokens::views
