#include "dashboard/views/LogsView.h"

#include "components/Card.h"
#include "components/IconLibrary.h"
#include "components/StatusPill.h"
#include "components/Style.h"
#include "dashboard/LogsModel.h"
#include "dashboard/views/ActivityOutcome.h"
#include "dashboard/views/EmptyState.h"
#include "dashboard/views/StatCard.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace orvela::dashboard::views {

using components::Tone;
namespace style = components::style;

namespace {} // namespace

LogsView::LogsView(LogsModel& model, session::AppState& appState,
                   common::LocalizationService& localization, QWidget* parent)
    : AccountPage(appState, localization, parent), m_model(model)
{
    setObjectName(QStringLiteral("logsPage"));
    // The base class already follows the state; the model adds filter changes.
    connect(&m_model, &LogsModel::changed, this, &LogsView::rebuild);
    rebuild();
}

void LogsView::build(QVBoxLayout& layout)
{
    addHeader(layout, session::DashboardTab::logs,
              text(QStringLiteral("Page_Logs_LoginAndSignatureHistory")));
    layout.addWidget(buildStatistics());
    layout.addWidget(buildFilter());
    const auto shown = m_model.shownRecords();
    if (shown.isEmpty()) {
        layout.addWidget(new EmptyState(QStringLiteral("tray"),
                                        text(QStringLiteral("Page_Logs_NoRecordsYet")),
                                        text(QStringLiteral("Page_Logs_YourLoginAndSignature"))));
        return;
    }
    auto* card = new components::Card;
    card->setObjectName(QStringLiteral("logRows"));
    for (const auto& record : shown) {
        card->contentLayout()->addWidget(buildRow(record));
    }
    layout.addWidget(card);
}

QWidget* LogsView::buildStatistics()
{
    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(style::spacingM);
    auto* total = new StatCard(text(QStringLiteral("Page_Logs_TotalEvents")),
                               QString::number(m_model.totalCount()));
    total->setObjectName(QStringLiteral("statTotal"));
    auto* rate = new StatCard(text(QStringLiteral("Page_Logs_SuccessRate")), m_model.successRate());
    rate->setObjectName(QStringLiteral("statSuccessRate"));
    auto* ratio =
        new StatCard(text(QStringLiteral("Page_Logs_SignLogin")), m_model.signLoginRatio());
    ratio->setObjectName(QStringLiteral("statRatio"));
    row->addWidget(total);
    row->addWidget(rate);
    row->addWidget(ratio);
    return box;
}

QWidget* LogsView::buildFilter()
{
    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    auto* picker = new QComboBox;
    picker->setObjectName(QStringLiteral("logFilter"));
    const QString names[] = {text(QStringLiteral("Page_Logs_All")),
                             text(QStringLiteral("Page_Logs_Logins")),
                             text(QStringLiteral("Page_Logs_Signatures"))};
    int index = 0;
    for (LogFilter filter : allLogFilters) {
        picker->addItem(names[index++], rawValue(filter));
    }
    picker->setCurrentIndex(static_cast<int>(m_model.filter()));
    connect(picker, &QComboBox::activated, &m_model, [this](int chosen) {
        m_model.setFilter(allLogFilters.at(static_cast<std::size_t>(chosen)));
    });
    // Mongolian nouns take no plural after a number; English does after every count but one.
    const auto shown = m_model.shownRecords().size();
    auto* count = new QLabel(QString::number(shown) + QLatin1Char(' ') +
                             (shown == 1 ? text(QStringLiteral("Page_Logs_Record"))
                                         : text(QStringLiteral("Page_Logs_Records"))));
    count->setObjectName(QStringLiteral("shownCount"));
    row->addWidget(picker);
    row->addStretch(1);
    row->addWidget(count);
    return box;
}

QWidget* LogsView::buildRow(const session::DashboardSession& record)
{
    const bool signature = logKindOf(record.sessionType) == LogFilter::sign;
    auto* box = new QWidget;
    box->setObjectName(QStringLiteral("logRow"));
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, style::spacingXs, 0, style::spacingXs);
    auto* icon = new QLabel;
    icon->setPixmap(components::IconLibrary::icon(signature ? QStringLiteral("signature")
                                                            : QStringLiteral("arrow.right.square"))
                        .pixmap(20, 20));
    row->addWidget(icon);
    auto* texts = new QVBoxLayout;
    auto* title = new QLabel(signature ? text(QStringLiteral("Page_Logs_Signature"))
                                       : text(QStringLiteral("Page_Logs_Login")));
    title->setObjectName(QStringLiteral("logTitle"));
    texts->addWidget(title);
    auto* when = new QLabel(m_dates.dateTime(record.createdAt, language()));
    when->setObjectName(QStringLiteral("logTime"));
    style::showAsSecondaryText(when);
    texts->addWidget(when);
    row->addLayout(texts, 1);
    const ActivityOutcome outcome = activityOutcomeOf(record.result);
    auto* badge = new components::StatusPill(activityOutcomeText(outcome, language()),
                                             activityOutcomeTone(outcome));
    badge->setObjectName(QStringLiteral("logOutcome"));
    row->addWidget(badge);
    return box;
}

} // namespace orvela::dashboard::views
