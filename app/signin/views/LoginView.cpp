#include "signin/views/LoginView.h"

#include "common/LocalizationService.h"
#include "components/Accessibility.h"
#include "components/ActionButton.h"
#include "components/InlineBanner.h"
#include "components/Labels.h"
#include "components/Style.h"
#include "signin/LoginController.h"
#include "signin/views/LoginPages.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

namespace orvela::signin::views {

namespace style = components::style;

namespace {

constexpr int qrTabIndex = 1;

/// Builds a page when the flow first reaches it, so the first frame of the program waits for
/// no more than it shows.
template <typename Page, typename... Args> Page* pageOf(QStackedWidget* pages, Args&... args)
{
    for (int index = 0; index < pages->count(); ++index) {
        if (auto* page = qobject_cast<Page*>(pages->widget(index))) {
            return page;
        }
    }
    auto* page = new Page(args...);
    pages->addWidget(page);
    return page;
}

} // namespace

LoginView::LoginView(signin::LoginController& controller, common::LocalizationService& localization,
                     QWidget* parent)
    : QWidget(parent), m_controller(controller), m_localization(localization)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(new LoginBrandPanel(localization));

    m_pages = new QStackedWidget;
    m_form = buildForm();
    m_pages->addWidget(m_form);
    auto* right = new QVBoxLayout;
    right->setContentsMargins(style::spacingXl * 2, style::spacingXl, style::spacingXl * 2,
                              style::spacingXl);
    right->addWidget(m_pages);
    layout->addLayout(right, 1);

    connectController();
    retranslate();
    showTab();
    showPhase();
    showMessage();
}

void LoginView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A person coming to the sign-in starts by typing the number: the field takes the keys
    // unless something on this screen already has them.
    if (m_pages->currentWidget() == m_form && m_tabPages->currentWidget() == m_nationalIdTab &&
        !isAncestorOf(window()->focusWidget())) {
        m_nationalId->setFocus(Qt::OtherFocusReason);
    }
}

// The controller may outlive this view by a moment (it can be the view's child); nothing it
// announces while it winds down may reach widgets that are going away.
LoginView::~LoginView()
{
    m_controller.disconnect(this);
    for (int index = 0; index < m_pages->count(); ++index) {
        m_controller.disconnect(m_pages->widget(index));
    }
    if (m_qrTab) {
        m_controller.disconnect(m_qrTab);
    }
}

QString LoginView::text(const char* key) const
{
    return m_localization.localized(QString::fromLatin1(key));
}

QString LoginView::currentPage() const
{
    QWidget* shown = m_pages->currentWidget();
    if (qobject_cast<LoginInitiatingPage*>(shown)) {
        return QStringLiteral("initiating");
    }
    if (qobject_cast<LoginWaitingPage*>(shown)) {
        return QStringLiteral("waiting");
    }
    if (qobject_cast<LoginSuccessPage*>(shown)) {
        return QStringLiteral("success");
    }
    return QStringLiteral("form");
}

QWidget* LoginView::buildForm()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(style::spacingM);
    layout->addStretch();

    m_title = new QLabel;
    m_title->setFont(style::titleFont());
    components::markAsHeading(m_title);
    layout->addWidget(m_title);
    m_subtitle = components::wrappedLabel();
    style::showAsSecondaryText(m_subtitle);
    layout->addWidget(m_subtitle);

    // A tab bar, not two buttons: one Tab stop with the arrow keys between the tabs, and a
    // screen reader announces tabs rather than check boxes.
    m_tabs = new QTabBar;
    m_tabs->setObjectName(QStringLiteral("signInTabs"));
    m_tabs->addTab(QString());
    m_tabs->addTab(QString());
    m_tabs->setExpanding(true);
    m_tabs->setDrawBase(false);
    m_tabs->setUsesScrollButtons(false);
    m_tabs->setElideMode(Qt::ElideNone);
    m_tabs->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    style::showSelectionControls(m_tabs);
    layout->addWidget(m_tabs);

    m_tabPages = new QStackedWidget;
    m_nationalIdTab = buildNationalIdTab();
    m_tabPages->addWidget(m_nationalIdTab);
    layout->addWidget(m_tabPages);

    m_error = new components::InlineBanner(components::InlineBanner::Kind::error);
    m_error->setObjectName(QStringLiteral("errorBanner"));
    layout->addWidget(m_error);

    layout->addLayout(buildFooter());
    layout->addStretch();
    return page;
}

QWidget* LoginView::buildNationalIdTab()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, style::spacingM, 0, 0);
    m_pushHint = components::wrappedLabel();
    layout->addWidget(m_pushHint);
    m_nationalIdLabel = new QLabel;
    m_nationalIdLabel->setFont(style::captionFont());
    layout->addWidget(m_nationalIdLabel);
    m_nationalId = new QLineEdit;
    m_nationalId->setObjectName(QStringLiteral("nationalIdField"));
    m_nationalId->setMinimumHeight(34);
    m_nationalIdLabel->setBuddy(m_nationalId);
    layout->addWidget(m_nationalId);
    m_signIn = new components::ActionButton;
    m_signIn->setObjectName(QStringLiteral("signInButton"));
    m_signIn->setMinimumHeight(36);
    layout->addWidget(m_signIn);
    layout->addStretch();
    return page;
}

QHBoxLayout* LoginView::buildFooter()
{
    auto* footer = new QHBoxLayout;
    m_footerNewAccount = new QLabel;
    m_footerHelp = new QLabel;
    for (QLabel* link : {m_footerNewAccount, m_footerHelp}) {
        link->setFont(style::captionFont());
        // The palette's link colour, followed when the theme changes: navy on the light
        // window, a light blue on the dark one.
        link->setForegroundRole(QPalette::Link);
        // Wrapped rather than cut off beside the brand panel in the smallest window.
        link->setWordWrap(true);
        // Reached by Tab after the sign-in button, so that a screen reader reads them too.
        components::showAsKeyboardLink(link);
    }
    m_footerNewAccount->setObjectName(QStringLiteral("footerNewAccount"));
    m_footerHelp->setObjectName(QStringLiteral("footerHelp"));
    footer->addWidget(m_footerNewAccount);
    footer->addStretch();
    footer->addWidget(m_footerHelp);
    return footer;
}

void LoginView::connectController()
{
    connect(m_tabs, &QTabBar::currentChanged, this, [this](int index) {
        m_controller.selectTab(index == qrTabIndex ? session::LoginTab::qrScan
                                                   : session::LoginTab::nationalIdPush);
        showTab();
    });
    connect(m_nationalId, &QLineEdit::textEdited, &m_controller,
            &signin::LoginController::setNationalIdInput);
    connect(m_nationalId, &QLineEdit::returnPressed, this, &LoginView::submitNationalId);
    connect(m_signIn, &QPushButton::clicked, this, &LoginView::submitNationalId);

    connect(&m_controller, &signin::LoginController::tabChanged, this, &LoginView::showTab);
    connect(&m_controller, &signin::LoginController::phaseChanged, this, &LoginView::showPhase);
    connect(&m_controller, &signin::LoginController::nationalIdInputChanged, this,
            [this](const QString& input) {
                if (m_nationalId->text() != input) {
                    m_nationalId->setText(input);
                }
            });
    connect(&m_controller, &signin::LoginController::failureChanged, this, &LoginView::showMessage);
    connect(&m_controller, &signin::LoginController::numberMissingChanged, this,
            &LoginView::showMessage);
    connect(&m_localization, &common::LocalizationService::languageChanged, this,
            &LoginView::retranslate);
    connect(&m_localization, &common::LocalizationService::languageChanged, this,
            &LoginView::showMessage);
}

void LoginView::retranslate()
{
    m_title->setText(text("Login_Title"));
    m_subtitle->setText(text("Login_Subtitle"));
    m_tabs->setTabText(0, text("Login_Tab_NationalId"));
    m_tabs->setTabText(qrTabIndex, text("Login_Tab_Qr"));
    m_pushHint->setText(text("Login_NationalId_PushHint"));
    m_nationalIdLabel->setText(text("Login_NationalId"));
    m_nationalId->setPlaceholderText(text("Login_NationalId_Placeholder"));
    m_signIn->setText(text("Login_Initiate"));
    m_footerNewAccount->setText(text("Login_Footer_NewAccount"));
    m_footerHelp->setText(text("Login_Footer_Help"));
}

void LoginView::showPhase()
{
    switch (m_controller.phase()) {
    case session::AuthPhase::initiating:
        m_pages->setCurrentWidget(pageOf<LoginInitiatingPage>(m_pages, m_localization));
        break;
    case session::AuthPhase::waiting:
        m_pages->setCurrentWidget(pageOf<LoginWaitingPage>(m_pages, m_controller, m_localization));
        break;
    case session::AuthPhase::success:
        m_pages->setCurrentWidget(pageOf<LoginSuccessPage>(m_pages, m_controller, m_localization));
        break;
    case session::AuthPhase::idle:
    case session::AuthPhase::failed:
        m_pages->setCurrentWidget(m_form);
        break;
    }
}

void LoginView::showTab()
{
    const bool qr = m_controller.tab() == session::LoginTab::qrScan;
    {
        const QSignalBlocker quiet(m_tabs);
        m_tabs->setCurrentIndex(qr ? qrTabIndex : 0);
    }
    if (qr && !m_qrTab) {
        m_qrTab = new LoginQrTab(m_controller, m_localization);
        m_tabPages->addWidget(m_qrTab);
    }
    m_tabPages->setCurrentWidget(qr ? m_qrTab : m_nationalIdTab);
}

void LoginView::submitNationalId()
{
    m_controller.startNationalIdFlow();
    if (m_controller.numberMissing()) {
        m_nationalId->setFocus();
    }
}

// The controller's failure, else the missing number; either is said again in a new language.
void LoginView::showMessage()
{
    const auto& failure = m_controller.failure();
    const bool failed = failure.has_value();
    const bool missing = m_controller.numberMissing();
    m_error->setText(failed    ? signin::loginFailureText(*failure, m_localization.language())
                     : missing ? text("Login_Error_NationalIdRequired")
                               : QString());
    m_error->setVisible(failed || missing);
}

} // namespace orvela::signin::views
