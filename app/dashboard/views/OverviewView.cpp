#include "dashboard/views/OverviewView.h"

#include "components/Accessibility.h"
#include "components/ActionButton.h"
#include "components/Card.h"
#include "components/IconLibrary.h"
#include "components/StatusPill.h"
#include "components/Style.h"
#include "dashboard/OverviewModel.h"
#include "dashboard/views/ActivityOutcome.h"
#include "dashboard/views/StatCard.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace orvela::dashboard::views {

using components::Tone;
namespace style = components::style;

namespace {

QLabel* iconLabel(const QString& symbol)
{
    auto* label = new QLabel;
    label->setPixmap(components::IconLibrary::icon(symbol).pixmap(20, 20));
    return label;
}

QLabel* mutedLabel(const QString& text)
{
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    style::showAsSecondaryText(label);
    return label;
}

} // namespace

OverviewView::OverviewView(OverviewModel& model, session::AppState& appState,
                           common::LocalizationService& localization, QWidget* parent)
    : AccountPage(appState, localization, parent), m_model(model)
{
    setObjectName(QStringLiteral("overviewPage"));
    connect(&m_model, &OverviewModel::dataChanged, this, &OverviewView::rebuild);
    rebuild();
}

void OverviewView::build(QVBoxLayout& layout)
{
    layout.addWidget(buildGreeting());
    layout.addWidget(buildStatistics());
    layout.addWidget(buildDevices());
    layout.addWidget(buildActivity());
}

QWidget* OverviewView::buildGreeting()
{
    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    auto* texts = new QVBoxLayout;
    auto* greeting = new QLabel(text(QStringLiteral("Dashboard_Greeting")) + QLatin1Char(' ') +
                                m_model.greetingName());
    greeting->setObjectName(QStringLiteral("greeting"));
    greeting->setTextFormat(Qt::PlainText); // holds the name from the backend
    greeting->setFont(style::titleFont());
    components::markAsHeading(greeting);
    texts->addWidget(greeting);
    texts->addWidget(mutedLabel(text(QStringLiteral("Dashboard_Subtitle"))));
    auto* badge =
        new components::StatusPill(text(QStringLiteral("Dashboard_StatusBadge")), Tone::success);
    auto* badgeRow = new QHBoxLayout;
    badgeRow->addWidget(badge);
    badgeRow->addStretch(1);
    texts->addLayout(badgeRow);
    row->addLayout(texts, 1);

    auto* refresh = new components::ActionButton(text(QStringLiteral("Dashboard_Refresh")),
                                                 components::ActionButton::Role::secondary);
    refresh->setObjectName(QStringLiteral("refreshButton"));
    auto* spinner = new QProgressBar;
    spinner->setObjectName(QStringLiteral("refreshIndicator"));
    spinner->setRange(0, 0);
    spinner->setTextVisible(false);
    spinner->setFixedSize(18, 18);
    const auto show = [refresh, spinner](bool refreshing) {
        refresh->setSymbol(refreshing ? QString() : QStringLiteral("arrow.clockwise"));
        spinner->setVisible(refreshing);
    };
    show(m_model.isRefreshing());
    connect(&m_model, &OverviewModel::refreshingChanged, refresh, show);
    connect(refresh, &QPushButton::clicked, &m_model, &OverviewModel::refresh);
    row->addWidget(spinner, 0, Qt::AlignTop);
    row->addWidget(refresh, 0, Qt::AlignTop);
    return box;
}

QWidget* OverviewView::buildStatistics()
{
    auto* box = new QWidget;
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(style::spacingM);
    const std::pair<const char*, QString> cards[] = {
        {"Dashboard_Stats_SecurityScore", OverviewModel::securityScore()},
        {"Dashboard_Stats_Certificates", m_model.certificates()},
        {"Dashboard_Stats_Logins", m_model.totalLogins()},
        {"Dashboard_Stats_LastLogin", m_dates.dateTime(m_model.lastLoginAt(), language())},
    };
    // Two by two: four cards in a row do not fit a narrow window with the Mongolian captions.
    int index = 0;
    for (const auto& [key, value] : cards) {
        grid->addWidget(new StatCard(text(QString::fromLatin1(key)), value), index / 2, index % 2);
        ++index;
    }
    return box;
}

QWidget* OverviewView::buildDevices()
{
    auto* card = new components::Card(text(QStringLiteral("Dashboard_Devices_Section")));
    const auto devices = m_model.devices();
    if (devices.isEmpty()) {
        card->contentLayout()->addWidget(
            mutedLabel(text(QStringLiteral("Dashboard_Devices_Empty"))));
        return card;
    }
    for (const auto& device : devices) {
        auto* row = new QHBoxLayout;
        row->addWidget(iconLabel(QStringLiteral("iphone")));
        auto* platform = new QLabel(device.platform);
        platform->setTextFormat(Qt::PlainText);
        row->addWidget(platform, 1);
        row->addWidget(mutedLabel(text(QStringLiteral("Dashboard_Device_Registered")) +
                                  QStringLiteral(": ") +
                                  m_dates.date(device.createdAt, language())));
        const bool active = device.status == u"ACTIVE";
        row->addWidget(
            new components::StatusPill(text(active ? QStringLiteral("Dashboard_Device_Active")
                                                   : QStringLiteral("Dashboard_Device_Inactive")),
                                       active ? Tone::success : Tone::neutral));
        card->contentLayout()->addLayout(row);
    }
    return card;
}

QWidget* OverviewView::buildActivity()
{
    auto* card = new components::Card(text(QStringLiteral("Dashboard_Activity_Section")));
    card->setObjectName(QStringLiteral("activityCard"));
    const auto records = m_model.activity();
    if (records.isEmpty()) {
        card->contentLayout()->addWidget(
            mutedLabel(text(QStringLiteral("Dashboard_Activity_Empty"))));
        return card;
    }
    for (const auto& record : records) {
        const bool signature = record.sessionType == u"SIGN";
        auto* row = new QHBoxLayout;
        row->addWidget(iconLabel(signature ? QStringLiteral("signature")
                                           : QStringLiteral("arrow.right.square")));
        row->addWidget(new QLabel(text(signature ? QStringLiteral("Dashboard_Activity_Sign")
                                                 : QStringLiteral("Dashboard_Activity_Auth"))),
                       1);
        // A date broken over two lines reads as two values.
        QLabel* when = mutedLabel(m_dates.dateTime(record.createdAt, language()));
        when->setWordWrap(false);
        row->addWidget(when);
        const ActivityOutcome outcome = activityOutcomeOf(record.result);
        auto* pill = new components::StatusPill(overviewOutcomeText(outcome, localization()),
                                                activityOutcomeTone(outcome));
        pill->setObjectName(QStringLiteral("outcome"));
        row->addWidget(pill);
        card->contentLayout()->addLayout(row);
    }
    return card;
}

} // namespace orvela::dashboard::views
