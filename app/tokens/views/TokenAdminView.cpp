#include "tokens/views/TokenAdminView.h"

#include "components/Style.h"
#include "tokens/TokenAdminController.h"
#include "tokens/views/AdminCsrSection.h"
#include "tokens/views/AdminDiagnosticsSection.h"
#include "tokens/views/AdminDialogPrompts.h"
#include "tokens/views/AdminEraseSection.h"
#include "tokens/views/AdminGenKeySection.h"
#include "tokens/views/AdminObjectsSection.h"
#include "tokens/views/AdminPinSection.h"

#include <QHideEvent>
#include <QVBoxLayout>

namespace orvela::tokens::views {

namespace {

/// Hands every question to whichever prompts the view holds now, so tests can swap them in
/// after the sections were made.
class ForwardingPrompts : public AdminPrompts {
public:
    explicit ForwardingPrompts(std::unique_ptr<AdminPrompts>& target) : m_target(target) {}
    void confirm(QWidget* parent, const QString& title, const QString& message,
                 const QString& confirmLabel, const QString& cancelLabel, QObject* context,
                 std::function<void(bool)> answer) override
    {
        m_target->confirm(parent, title, message, confirmLabel, cancelLabel, context,
                          std::move(answer));
    }
    void chooseFileToOpen(QWidget* parent, const QString& title, QObject* context,
                          Chosen chosen) override
    {
        m_target->chooseFileToOpen(parent, title, context, std::move(chosen));
    }
    void chooseFileToSave(QWidget* parent, const QString& title, const QString& suggestedName,
                          QObject* context, Chosen chosen) override
    {
        m_target->chooseFileToSave(parent, title, suggestedName, context, std::move(chosen));
    }

private:
    std::unique_ptr<AdminPrompts>& m_target;
};

} // namespace

TokenAdminView::TokenAdminView(TokenManager& manager, common::LocalizationService& localization,
                               QWidget* parent)
    : QWidget(parent), m_prompts(std::make_unique<AdminDialogPrompts>()),
      m_forwarding(std::make_unique<ForwardingPrompts>(m_prompts)),
      m_controller(std::make_unique<TokenAdminController>(manager, localization))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(components::style::spacingL);
    TokenAdminController& c = *m_controller;
    AdminPrompts& prompts = *m_forwarding;
    layout->addWidget(new AdminDiagnosticsSection(c, localization, this));
    layout->addWidget(new AdminEraseSection(c, localization, prompts, this));
    for (AdminPinController* pins : {&c.changePin(), &c.unlockPin(), &c.changeSoPin()}) {
        layout->addWidget(new AdminPinSection(*pins, localization, this));
    }
    layout->addWidget(new AdminObjectsSection(c.objects(), localization, prompts, this));
    layout->addWidget(new AdminGenKeySection(c, localization, this));
    layout->addWidget(new AdminCsrSection(c.csr(), localization, prompts, this));
    layout->addStretch();
}

TokenAdminView::~TokenAdminView()
{
    // The sections hold on to the controller and the prompts; they go first.
    qDeleteAll(findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
}

void TokenAdminView::setPrompts(std::unique_ptr<AdminPrompts> prompts)
{
    m_prompts = std::move(prompts);
}

void TokenAdminView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // A minimised window still holds the screen; only leaving it forgets the PINs.
    if (!event->spontaneous()) {
        m_controller->clearSecrets();
    }
}

} // namespace orvela::tokens::views
