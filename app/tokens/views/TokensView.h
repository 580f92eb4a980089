#pragma once

#include "tokens/TokenProvisioner.h"
#include "tokens/views/TokenPrompts.h"

#include <QWidget>
#include <memory>

class QStackedWidget;

namespace orvela::common {
class LocalizationService;
}

namespace orvela::tokens {
class ProvisionController;
class SignTestController;
class TokenManager;
class TokenTargets;
} // namespace orvela::tokens

namespace orvela::tokens::views {

class TokenDetailView;
class TokensListView;

/// The dashboard's tokens page: the token list, and the detail screen behind its details link.
/// It owns the detail screen's logic; leaving the detail screen or the page forgets the PINs
/// typed there.
class TokensView : public QWidget {
    Q_OBJECT
public:
    /// `options` name the reader and PKCS#11 library of provisioning and the sign test (their
    /// reader access is always the manager's);
    /// `prompts` answer every dialog of the page (the window-modal dialogs when none).
    TokensView(TokenManager& manager, common::LocalizationService& localization,
               TokenProvisioner::Options options = {},
               std::unique_ptr<components::Prompts> prompts = nullptr, QWidget* parent = nullptr);
    ~TokensView() override;

    TokensListView& list() const { return *m_list; }
    TokenDetailView& detail() const { return *m_detail; }
    ProvisionController& provision() const { return *m_provision; }
    SignTestController& signTest() const { return *m_signTest; }
    TokenTargets& targets() const { return *m_targets; }

    void showList();
    void showDetail();
    bool isShowingDetail() const;

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void forgetSecrets();

    std::unique_ptr<components::Prompts> m_prompts;
    ProvisionController* m_provision;
    SignTestController* m_signTest;
    TokenTargets* m_targets;
    bool m_provisionDone = false;
    QStackedWidget* m_stack;
    TokensListView* m_list;
    TokenDetailView* m_detail;
};

} // namespace orvela::tokens::views
