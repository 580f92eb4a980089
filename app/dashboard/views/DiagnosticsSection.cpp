#include "dashboard/views/DiagnosticsSection.h"

#include "common/LocalizationService.h"
#include "components/ActionButton.h"
#include "components/Prompts.h"
#include "components/StatusPill.h"
#include "diagnostics/DiagnosticsController.h"
#include "diagnostics/Report.h"
#include "tokens/views/TokenPrompts.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace orvela::dashboard::views {

namespace {

using diagnostics::Verdict;

components::Tone toneOf(Verdict verdict)
{
    switch (verdict) {
    case Verdict::pending:
        return components::Tone::neutral;
    case Verdict::fine:
        return components::Tone::success;
    case Verdict::warning:
        return components::Tone::warning;
    case Verdict::problem:
        break;
    }
    return components::Tone::danger;
}

/// Outside text (reader names, labels, loader messages) is shown as it is, never as markup.
QLabel* plainLabel(const QString& text, const QString& objectName)
{
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setObjectName(objectName);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

DiagnosticsSection::DiagnosticsSection(diagnostics::DiagnosticsController& controller,
                                       components::Prompts& prompts,
                                       common::LocalizationService& localization, QWidget* parent)
    : Card(localization.localized(QStringLiteral("Diag_Section_Title")), parent),
      m_controller(controller), m_prompts(prompts), m_localization(localization)
{
    setObjectName(QStringLiteral("diagnosticsSection"));
    contentLayout()->addWidget(plainLabel(
        localization.localized(QStringLiteral("Diag_Section_Intro")), QStringLiteral("diagIntro")));
    auto* buttons = new QHBoxLayout;
    m_run = new components::ActionButton(localization.localized(QStringLiteral("Diag_Run")),
                                         components::ActionButton::Role::primary, this);
    m_copy = new components::ActionButton(localization.localized(QStringLiteral("Diag_Copy")),
                                          components::ActionButton::Role::secondary, this);
    m_save = new components::ActionButton(localization.localized(QStringLiteral("Diag_Save")),
                                          components::ActionButton::Role::secondary, this);
    m_run->setObjectName(QStringLiteral("diagRun"));
    m_copy->setObjectName(QStringLiteral("diagCopy"));
    m_save->setObjectName(QStringLiteral("diagSave"));
    buttons->addWidget(m_run);
    buttons->addWidget(m_copy);
    buttons->addWidget(m_save);
    buttons->addStretch();
    contentLayout()->addLayout(buttons);
    m_status = plainLabel(QString(), QStringLiteral("diagStatus"));
    contentLayout()->addWidget(m_status);
    m_rows = new QVBoxLayout;
    m_rows->setSpacing(10);
    contentLayout()->addLayout(m_rows);

    connect(m_run, &QPushButton::clicked, this,
            [this] { m_controller.start(m_localization.language()); });
    connect(m_copy, &QPushButton::clicked, this, &DiagnosticsSection::copyReport);
    connect(m_save, &QPushButton::clicked, this, &DiagnosticsSection::chooseSaveTarget);
    connect(&m_controller, &diagnostics::DiagnosticsController::changed, this,
            &DiagnosticsSection::refresh);
    connect(&m_controller, &diagnostics::DiagnosticsController::started, this,
            &DiagnosticsSection::rebuildRows);
    connect(&m_controller, &diagnostics::DiagnosticsController::checkFinished, this,
            &DiagnosticsSection::replaceRow);
    rebuildRows();
    refresh();
}

void DiagnosticsSection::copyReport()
{
    QGuiApplication::clipboard()->setText(m_controller.reportText(m_localization.language()));
    m_controller.noteCopied();
}

void DiagnosticsSection::chooseSaveTarget()
{
    m_prompts.chooseFileToSave(
        window(), m_localization.localized(QStringLiteral("Diag_Save_Title")),
        QStringLiteral("orvela-diagnostics.txt"), this,
        [this](const QString& path) { m_controller.save(path, m_localization.language()); });
}

QWidget* DiagnosticsSection::checkRow(int index) const
{
    const common::AppLanguage language = m_localization.language();
    const diagnostics::Check& check = m_controller.checks().at(index);
    auto* row = new QWidget;
    row->setObjectName(QStringLiteral("diagCheck_") + check.id);
    auto* layout = new QVBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* head = new QHBoxLayout;
    head->addWidget(new components::StatusPill(diagnostics::verdictText(check.verdict, language),
                                               toneOf(check.verdict)));
    auto* title = plainLabel(m_localization.localized(check.titleKey), QStringLiteral("diagTitle"));
    title->setWordWrap(false);
    // Fonts and palettes rather than style sheets: a style sheet per row made every redraw of
    // the section re-polish it, a visible stall while the checks fill in.
    QFont bold = title->font();
    bold.setWeight(QFont::DemiBold);
    title->setFont(bold);
    head->addWidget(title, 1);
    layout->addLayout(head);
    if (!check.summaryKey.isEmpty()) {
        layout->addWidget(
            plainLabel(m_localization.localized(check.summaryKey), QStringLiteral("diagSummary")));
    }
    if (!check.adviceKey.isEmpty()) {
        layout->addWidget(
            plainLabel(QStringLiteral("→ ") + m_localization.localized(check.adviceKey),
                       QStringLiteral("diagAdvice")));
    }
    QStringList facts;
    for (const diagnostics::Fact& fact : check.facts) {
        facts << m_localization.localized(fact.labelKey) + QStringLiteral(": ") +
                     diagnostics::factText(fact, language);
    }
    if (!facts.isEmpty()) {
        auto* lines = plainLabel(facts.join(u'\n'), QStringLiteral("diagFacts"));
        // One fact a line: no wrapping, which spares the layout a text measure per pass.
        lines->setWordWrap(false);
        QPalette quiet = lines->palette();
        quiet.setColor(QPalette::WindowText, quiet.color(QPalette::PlaceholderText));
        lines->setPalette(quiet);
        layout->addWidget(lines);
    }
    return row;
}

void DiagnosticsSection::rebuildRows()
{
    while (QLayoutItem* item = m_rows->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (int index = 0; index < m_controller.checks().size(); ++index) {
        m_rows->addWidget(checkRow(index));
    }
}

void DiagnosticsSection::replaceRow(int index)
{
    QLayoutItem* old = m_rows->itemAt(index);
    if (old == nullptr || old->widget() == nullptr) {
        rebuildRows();
        return;
    }
    QWidget* previous = old->widget();
    delete m_rows->replaceWidget(previous, checkRow(index));
    delete previous;
}

void DiagnosticsSection::refresh()
{
    const bool running = m_controller.isRunning();
    m_run->setEnabled(!running);
    m_copy->setEnabled(!running && m_controller.hasRun());
    m_save->setEnabled(!running && m_controller.hasRun());
    QString status;
    if (running) {
        status = m_localization.localized(QStringLiteral("Diag_Running"));
    } else if (!m_controller.statusKey().isEmpty()) {
        status = m_localization.localized(m_controller.statusKey());
        if (status.contains(QStringLiteral("%1"))) {
            status = status.arg(m_controller.statusArgument());
        }
    }
    m_status->setText(status);
    m_status->setVisible(!status.isEmpty());
}

} // namespace orvela::dashboard::views
