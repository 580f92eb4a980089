#include "dashboard/views/SupportView.h"

#include "components/Accessibility.h"
#include "components/Card.h"
#include "components/Prompts.h"
#include "components/Style.h"
#include "dashboard/views/DiagnosticsSection.h"
#include "tokens/views/TokenPrompts.h"

#include <QLabel>
#include <QVBoxLayout>

namespace orvela::dashboard::views {

namespace {

struct Question {
    const char* question;
    const char* answer;
};

const Question kQuestions[] = {
    {"Page_Support_Question1", "Page_Support_Answer1"},
    {"Page_Support_Question2", "Page_Support_Answer2"},
    {"Page_Support_Question3", "Page_Support_Answer3"},
    {"Page_Support_Question4", "Page_Support_Answer4"},
};

} // namespace

SupportView::SupportView(session::AppState& appState, common::LocalizationService& localization,
                         diagnostics::DiagnosticsController& diagnostics,
                         std::unique_ptr<components::Prompts> prompts, QWidget* parent)
    : AccountPage(appState, localization, parent), m_diagnostics(diagnostics),
      m_prompts(std::move(prompts))
{
    setObjectName(QStringLiteral("supportPage"));
    rebuild();
}

SupportView::~SupportView() = default;

QString SupportView::supportAddress()
{
    return QStringLiteral(ORVELA_SUPPORT_EMAIL);
}

void SupportView::build(QVBoxLayout& layout)
{
    addHeader(layout, session::DashboardTab::support,
              text(QStringLiteral("Page_Support_FAQsAndContact")));
    for (const Question& item : kQuestions) {
        auto* card = new components::Card(text(QString::fromLatin1(item.question)));
        auto* answer = new QLabel(text(QString::fromLatin1(item.answer)));
        answer->setWordWrap(true);
        card->contentLayout()->addWidget(answer);
        layout.addWidget(card);
    }
    auto* contact = new components::Card(text(QStringLiteral("Page_Support_OtherQuestions")));
    auto* link = new QLabel(QStringLiteral("<a href=\"mailto:%1\">%1</a>").arg(supportAddress()));
    link->setObjectName(QStringLiteral("supportLink"));
    link->setTextFormat(Qt::RichText);
    link->setOpenExternalLinks(true);
    components::showAsKeyboardLink(link);
    contact->contentLayout()->addWidget(link);
    layout.addWidget(contact);
    layout.addWidget(new DiagnosticsSection(m_diagnostics, *m_prompts, localization()));
}

} // namespace orvela::dashboard::views
