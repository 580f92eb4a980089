#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace orvela::signing::views {

/// Asks the person for one PDF document. Behind an interface so that tests answer in place of
/// a dialog; the answer may come later, from the event loop, never from a nested one.
class SignFileChooser {
public:
    /// The chosen file's path; not called at all when the person dismissed the chooser.
    using Chosen = std::function<void(const QString& path)>;

    virtual ~SignFileChooser() = default;

    /// Offers PDF files only, one file, no folders, with `message` as the chooser's title.
    virtual void choosePdf(QWidget* parent, const QString& message, Chosen chosen) = 0;
};

} // namespace orvela::signing::views
