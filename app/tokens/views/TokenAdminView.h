#pragma once

#include "components/Prompts.h"

#include <QWidget>
#include <memory>

namespace orvela::common {
class LocalizationService;
}

namespace orvela::tokens {
class TokenAdminController;
class TokenManager;
class TokenTargets;
} // namespace orvela::tokens

namespace orvela::tokens::views {

/// The administration sections of the token detail screen, in order: diagnostics, factory
/// erase, change PIN, unlock PIN, change SO PIN, token objects, signing key generation and the
/// certificate request. Owns their logic; every PIN typed here is forgotten when it closes.
class TokenAdminView : public QWidget {
    Q_OBJECT

public:
    /// `prompts` answer the sections' dialogs and outlive this view; `targets` say which
    /// token each section acts on.
    TokenAdminView(TokenManager& manager, const TokenTargets& targets,
                   common::LocalizationService& localization, components::Prompts& prompts,
                   QWidget* parent = nullptr);
    ~TokenAdminView() override;

    TokenAdminController& controller() { return *m_controller; }

protected:
    void hideEvent(QHideEvent* event) override;

private:
    std::unique_ptr<TokenAdminController> m_controller;
};

} // namespace orvela::tokens::views
