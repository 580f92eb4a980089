#pragma once

#include <QWidget>

class QLabel;

namespace orvela::common {
class LocalizationService;
}
namespace orvela::components {
class AccentBadge;
class ActionButton;
class Card;
} // namespace orvela::components

namespace orvela::tokens {
class TokenManager;
}

namespace orvela::tokens::views {

/// The token list: the connected token with its badge and a details link, or the empty state.
class TokensListView : public QWidget {
    Q_OBJECT
public:
    TokensListView(TokenManager& manager, common::LocalizationService& localization,
                   QWidget* parent = nullptr);

signals:
    void detailsRequested();

private:
    void retranslate();
    void refresh();

    TokenManager& m_manager;
    common::LocalizationService& m_localization;
    QLabel* m_title;
    QLabel* m_subtitle;
    components::ActionButton* m_refresh;
    components::Card* m_connected;
    QLabel* m_name;
    components::AccentBadge* m_badge;
    components::ActionButton* m_details;
    components::Card* m_empty;
    QLabel* m_emptyHint;
};

} // namespace orvela::tokens::views
