#pragma once

#include "components/Prompts.h"

#include <QStringList>

namespace orvela::testing {

/// Answers every question of the program as the test says: at once, or (with `hold`) when the
/// test calls `held`. Counts the confirmations asked for and keeps the words of the last one.
class AnsweringPrompts : public components::Prompts {
public:
    struct Answers {
        bool confirm = false;
        QString openPath;
        QString savePath;
        int confirmations = 0;
        /// Keep each confirmation open until the test answers it through `held`.
        bool hold = false;
        std::function<void(bool)> held;
        QStringList words;       ///< title, message and confirm label of the last confirmation
        QStringList nameFilters; ///< of the last file to open
    };
    explicit AnsweringPrompts(Answers& answers) : m_answers(answers) {}
    void confirm(QWidget*, const QString& title, const QString& message,
                 const QString& confirmLabel, const QString&, QObject*,
                 std::function<void(bool)> answer) override
    {
        ++m_answers.confirmations;
        m_answers.words = {title, message, confirmLabel};
        if (m_answers.hold) {
            m_answers.held = std::move(answer);
        } else {
            answer(m_answers.confirm);
        }
    }
    void chooseFileToOpen(QWidget*, const QString&, const QStringList& nameFilters, QObject*,
                          Chosen chosen) override
    {
        m_answers.nameFilters = nameFilters;
        if (!m_answers.openPath.isEmpty()) { // empty: the person dismissed the dialog
            chosen(m_answers.openPath);
        }
    }
    void chooseFileToSave(QWidget*, const QString&, const QString&, QObject*,
                          Chosen chosen) override
    {
        chosen(m_answers.savePath);
    }

private:
    Answers& m_answers;
};

} // namespace orvela::testing
