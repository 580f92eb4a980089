#pragma once

#include "tokens/views/TokenPrompts.h"

namespace orvela::testing {

/// Answers every dialog of the token screens at once, as the test says, and counts the
/// confirmations asked for.
class AnsweringPrompts : public tokens::views::TokenPrompts {
public:
    struct Answers {
        bool confirm = false;
        QString openPath;
        QString savePath;
        int confirmations = 0;
    };
    explicit AnsweringPrompts(Answers& answers) : m_answers(answers) {}
    void confirm(QWidget*, const QString&, const QString&, const QString&, const QString&, QObject*,
                 std::function<void(bool)> answer) override
    {
        ++m_answers.confirmations;
        answer(m_answers.confirm);
    }
    void chooseFileToOpen(QWidget*, const QString&, QObject*, Chosen chosen) override
    {
        chosen(m_answers.openPath);
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
