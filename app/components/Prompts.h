#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QObject;
class QWidget;

namespace orvela::components {

/// The product's questions to the person (a confirmation, a file to open, a place to save),
/// behind one interface so that tests answer in their place. Answers come later, from the
/// event loop (no dialog runs a loop of its own), and never once `context` is gone. `parent`
/// is the widget asking; the question is modal to its window.
class Prompts {
public:
    using Chosen = std::function<void(const QString& path)>;

    virtual ~Prompts() = default;

    /// Asks before a step that destroys or ends something; `answer` gets true only for
    /// `confirmLabel`. Enter and Escape both take the safe way out.
    virtual void confirm(QWidget* parent, const QString& title, const QString& message,
                         const QString& confirmLabel, const QString& cancelLabel, QObject* context,
                         std::function<void(bool)> answer) = 0;
    /// One existing file, no folders; `nameFilters` as the file dialog takes them ("PDF
    /// (*.pdf)"), empty for any. `chosen` is not called when dismissed.
    virtual void chooseFileToOpen(QWidget* parent, const QString& title,
                                  const QStringList& nameFilters, QObject* context,
                                  Chosen chosen) = 0;
    /// Where to write a file, starting from `suggestedName`; not called when dismissed.
    virtual void chooseFileToSave(QWidget* parent, const QString& title,
                                  const QString& suggestedName, QObject* context,
                                  Chosen chosen) = 0;
};

} // namespace orvela::components
