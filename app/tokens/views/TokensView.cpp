#include "tokens/views/TokensView.h"

#include "components/DialogPrompts.h"
#include "components/Focus.h"
#include "tokens/ProvisionController.h"
#include "tokens/SignTestController.h"
#include "tokens/TokenManager.h"
#include "tokens/TokenTargets.h"
#include "tokens/views/TokenDetailView.h"
#include "tokens/views/TokensListView.h"

#include <QApplication>
#include <QHideEvent>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace orvela::tokens::views {

TokensView::TokensView(TokenManager& manager, common::LocalizationService& localization,
                       TokenProvisioner::Options options,
                       std::unique_ptr<components::Prompts> prompts, QWidget* parent)
    : QWidget(parent),
      m_prompts(prompts ? std::move(prompts) : std::make_unique<components::DialogPrompts>())
{
    // The logic objects are children made before the screens, so they outlive every widget
    // that refers to them, and a result arriving after the page closed reaches nobody. They
    // reach the card through the manager's readers, as the manager does.
    options.readers = manager.readers();
    m_provision = new ProvisionController(options, this);
    m_signTest = new SignTestController(manager, options, this);
    m_targets = new TokenTargets(manager, options, this);
    m_stack = new QStackedWidget(this);
    m_list = new TokensListView(manager, localization, m_stack);
    m_detail = new TokenDetailView(manager, *m_targets, *m_provision, *m_signTest, localization,
                                   *m_prompts, m_stack);
    m_stack->addWidget(m_list);
    m_stack->addWidget(m_detail);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack);

    connect(m_list, &TokensListView::detailsRequested, this, &TokensView::showDetail);
    connect(m_detail, &TokenDetailView::backRequested, this, &TokensView::showList);
    // Provisioning names the PKCS#11 token anew; the sections must say so.
    connect(m_provision, &ProvisionController::changed, this, [this] {
        const bool done = m_provision->step() == ProvisionStep::done;
        if (done && !m_provisionDone) {
            m_targets->refresh();
        }
        m_provisionDone = done;
    });
}

TokensView::~TokensView()
{
    // The screens go first: they hold references into the logic objects and the prompts.
    delete m_stack;
}

void TokensView::showList()
{
    forgetSecrets();
    const bool hadKeys = isAncestorOf(QApplication::focusWidget());
    m_stack->setCurrentWidget(m_list);
    // Back where the person came from: the button that opened the details, else the page's top.
    auto* details = m_list->findChild<QWidget*>(QStringLiteral("detailsButton"));
    if (hadKeys && details && details->isVisible()) {
        details->setFocus(Qt::OtherFocusReason);
    } else if (hadKeys) {
        components::focusFirstControl(m_list);
    }
}

void TokensView::showDetail()
{
    m_targets->refresh();
    m_stack->setCurrentWidget(m_detail);
    // The button that had the keys is hidden now; they go to the top of the details, not nowhere.
    components::focusFirstControl(m_detail);
}

bool TokensView::isShowingDetail() const
{
    return m_stack->currentWidget() == m_detail;
}

void TokensView::hideEvent(QHideEvent* event)
{
    // Another dashboard page took its place; a minimised window is no reason to forget.
    if (!event->spontaneous()) {
        forgetSecrets();
    }
    QWidget::hideEvent(event);
}

void TokensView::forgetSecrets()
{
    m_provision->clearSecrets();
    m_signTest->clearSecrets();
}

} // namespace orvela::tokens::views
