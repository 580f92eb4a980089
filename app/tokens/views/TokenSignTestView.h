#pragma once

#include "components/Prompts.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace orvela::common {
class LocalizationService;
}
namespace orvela::components {
class ActionButton;
class Card;
class InlineBanner;
} // namespace orvela::components

namespace orvela::tokens {
class SignTestController;
class TokenTargets;
} // namespace orvela::tokens

namespace orvela::tokens::views {

class TokenTargetLine;

/// The sign test section: pick a file or type a digest, have the token sign it, read the
/// signature.
class TokenSignTestView : public QWidget {
    Q_OBJECT
public:
    /// `targets` say which token each road acts on.
    TokenSignTestView(SignTestController& controller, const TokenTargets& targets,
                      common::LocalizationService& localization, components::Prompts& prompts,
                      QWidget* parent = nullptr);

    /// Runs the file chooser; a chosen file is digested.
    void chooseFile();

private:
    void retranslate();
    void refresh();
    void copySignature();

    SignTestController& m_controller;
    common::LocalizationService& m_localization;
    components::Prompts& m_prompts;
    components::Card* m_card;
    TokenTargetLine* m_target;
    QComboBox* m_mode;
    QLabel* m_modeDescription;
    components::ActionButton* m_pick;
    QLabel* m_docNameLabel;
    QLabel* m_docName;
    QLabel* m_ready;
    QLineEdit* m_hash;
    QLineEdit* m_pin;
    QLabel* m_keyLabelLabel;
    QLineEdit* m_keyLabel;
    components::ActionButton* m_sign;
    QWidget* m_result;
    QLabel* m_successLabel;
    QPlainTextEdit* m_signature;
    components::ActionButton* m_copy;
    components::InlineBanner* m_error;
};

} // namespace orvela::tokens::views
