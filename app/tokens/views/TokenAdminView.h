#pragma once

#include <QWidget>
#include <memory>

namespace orvela::common {
class LocalizationService;
}

namespace orvela::tokens {
class TokenAdminController;
class TokenManager;
} // namespace orvela::tokens

namespace orvela::tokens::views {

class AdminPrompts;

/// The administration sections of the token detail screen, in order: diagnostics, factory
/// erase, change PIN, unlock PIN, change SO PIN, token objects, signing key generation and the
/// certificate request. Owns their logic; every PIN typed here is forgotten when it closes.
class TokenAdminView : public QWidget {
    Q_OBJECT

public:
    TokenAdminView(TokenManager& manager, common::LocalizationService& localization,
                   QWidget* parent = nullptr);
    ~TokenAdminView() override;

    TokenAdminController& controller() { return *m_controller; }
    /// Replaces the dialogs (confirmation, file choosers); tests answer with their own.
    void setPrompts(std::unique_ptr<AdminPrompts> prompts);

protected:
    void hideEvent(QHideEvent* event) override;

private:
    std::unique_ptr<AdminPrompts> m_prompts;
    std::unique_ptr<AdminPrompts> m_forwarding; ///< what the sections ask; reaches m_prompts
    std::unique_ptr<TokenAdminController> m_controller;
};

} // namespace orvela::tokens::views
