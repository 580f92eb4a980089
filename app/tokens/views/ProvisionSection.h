#pragma once

#include "components/Prompts.h"

#include <QList>
#include <QWidget>

class QLabel;
class QLineEdit;
class QProgressBar;

namespace orvela::common {
class LocalizationService;
}
namespace orvela::components {
class ActionButton;
class Card;
class InlineBanner;
} // namespace orvela::components

namespace orvela::tokens {
class ProvisionController;
class TokenTargets;
} // namespace orvela::tokens

namespace orvela::tokens::views {

class KeyedTexts;
class TokenTargetLine;

/// The provisioning section of the token detail screen: one page per step of its controller.
class ProvisionSection : public QWidget {
    Q_OBJECT
public:
    /// `targets` say which token each road acts on.
    ProvisionSection(ProvisionController& controller, const TokenTargets& targets,
                     common::LocalizationService& localization, components::Prompts& prompts,
                     QWidget* parent = nullptr);

    /// Both roads wipe the token first, so the form's button asks before anything is sent.
    void askToProvision();

private:
    QWidget* makeChoosePage();
    QWidget* makeApduPage();
    QWidget* makePkcs11Page();
    QWidget* makeWorkingPage();
    QWidget* makeDonePage();
    QLabel* keyedLabel(QWidget* page, const char* key);
    void showPage(int index);
    void retranslate();
    void refresh();

    ProvisionController& m_controller;
    common::LocalizationService& m_localization;
    components::Prompts& m_prompts;
    KeyedTexts* m_texts;
    components::Card* m_card;
    TokenTargetLine* m_apduTarget;
    TokenTargetLine* m_pkcs11Target;
    QList<QWidget*> m_pages; ///< indexed by ProvisionStep
    QLineEdit* m_apduUser;
    QLineEdit* m_apduRepeat;
    QLineEdit* m_apduPuk;
    components::ActionButton* m_apduAction;
    QLineEdit* m_p11So;
    QLineEdit* m_p11User;
    QLineEdit* m_p11Repeat;
    components::ActionButton* m_p11Action;
    QLabel* m_workingCaption;
    QProgressBar* m_spinner;
    components::InlineBanner* m_error;
    components::InlineBanner* m_success;
};

} // namespace orvela::tokens::views
