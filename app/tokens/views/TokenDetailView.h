#pragma once

#include "components/Prompts.h"

#include <QWidget>

class QLabel;

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
class SignTestController;
class TokenManager;
class TokenTargets;
} // namespace orvela::tokens

namespace orvela::tokens::views {

/// The token detail screen: back and refresh, the status line, the disconnected notice, the
/// information card, the warning when the two roads reach two different tokens, then
/// provisioning, administration and the sign test, in a scroll area.
class TokenDetailView : public QWidget {
    Q_OBJECT
public:
    TokenDetailView(TokenManager& manager, TokenTargets& targets, ProvisionController& provision,
                    SignTestController& signTest, common::LocalizationService& localization,
                    components::Prompts& prompts, QWidget* parent = nullptr);

    /// A token sits in a reader and answered as present.
    bool isConnected() const;

signals:
    void backRequested();

private:
    QWidget* makeHeader(QWidget* parent);
    QWidget* makeStatus(QWidget* parent);
    components::Card* makeInfoCard(QWidget* parent);
    void retranslate();
    void refresh();
    void showTargets();
    /// The status mark in its tone for the palette now; drawn again on a theme switch.
    void drawStatusIcon();

    TokenManager& m_manager;
    TokenTargets& m_targets;
    common::LocalizationService& m_localization;
    components::ActionButton* m_back;
    components::ActionButton* m_refresh;
    QLabel* m_statusIcon;
    QLabel* m_statusTitle;
    QLabel* m_statusLine;
    components::InlineBanner* m_notice;
    components::InlineBanner* m_error;
    components::InlineBanner* m_differ;
    components::Card* m_info;
    QLabel* m_nameLabel;
    QLabel* m_name;
    QLabel* m_fipsLabel;
    QLabel* m_fips;
    QLabel* m_atrLabel;
    QLabel* m_atr;
};

} // namespace orvela::tokens::views
