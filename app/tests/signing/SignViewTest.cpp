// The signing page over the real controller and simulator: every phase in both languages (with
// a picture of each), the chooser and reveal hooks, and leaving the page.

#include "signing/views/SignView.h"

#include "AnsweringPrompts.h"
#include "Markup.h"
#include "SamplePdf.h"
#include "Screenshot.h"
#include "SigningFixture.h"
#include "common/LocalizationService.h"
#include "components/ActionButton.h"
#include "components/InlineBanner.h"
#include "components/PdfPagePreview.h"
#include "components/VerificationCodeView.h"
#include "platform/FileRevealer.h"

#include <QLabel>
#include <QRegularExpression>
#include <QStackedWidget>

using namespace orvela;
using namespace orvela::signingtest;
using backendsim::SimFault;
using common::AppLanguage;
using components::ActionButton;
using signing::views::SignView;

namespace {

class RecordingRevealer : public platform::FileRevealer {
public:
    QStringList revealed;
    void reveal(const QString& path) override { revealed << path; }
};

class SignViewTest : public SigningFixture {
protected:
    void SetUp() override
    {
        SigningFixture::SetUp();
        m_localization = std::make_unique<common::LocalizationService>(m_settings.get());
        m_view = std::make_unique<SignView>(
            *m_signing, *m_localization,
            std::make_unique<orvela::testing::AnsweringPrompts>(m_answers));
        m_view->setFileRevealer(&m_revealer);
        m_view->resize(760, 560);
        m_view->show();
    }

    ActionButton* button(const char* name) const
    {
        auto* found = m_view->findChild<ActionButton*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    /// Whether the page shows `text` on a visible label or button.
    bool shows(const QString& text) const
    {
        for (const auto* label : m_view->findChildren<QLabel*>()) {
            if (label->isVisibleTo(m_view.get()) && label->text() == text) {
                return true;
            }
        }
        for (const auto* button : m_view->findChildren<ActionButton*>()) {
            if (button->isVisibleTo(m_view.get()) && button->text() == text) {
                return true;
            }
        }
        return false;
    }

    /// Saves the page in both languages as sign-<phase>-<language>.png; `english` and
    /// `mongolian` are what only this phase shows. A document name is never drawn as markup.
    void capture(const QString& phase, const QString& english, const QString& mongolian)
    {
        for (const AppLanguage language : {AppLanguage::en, AppLanguage::mn}) {
            m_localization->overrideLanguage(language);
            const bool en = language == AppLanguage::en;
            EXPECT_TRUE(shows(en ? english : mongolian)) << phase.toStdString();
            EXPECT_TRUE(orvela::testing::labelsDrawingMarkup(*m_view, "<i>").isEmpty());
            const QString name = QStringLiteral("sign-%1-%2").arg(phase, en ? "en" : "mn");
            EXPECT_FALSE(orvela::testing::saveScreenshot(*m_view, name).isEmpty());
        }
    }

    std::unique_ptr<common::LocalizationService> m_localization;
    std::unique_ptr<QWidget> m_window; // goes after the page it may hold
    std::unique_ptr<SignView> m_view;
    orvela::testing::AnsweringPrompts::Answers m_answers;
    RecordingRevealer m_revealer;
};

TEST_F(SignViewTest, EveryPhaseShowsItsStateInBothLanguagesAndSignedOutNoFileIsAskedFor)
{
    signInAs(QString(), QString());
    capture("signed-out", "You must be signed in before signing.",
            "Гарын үсэг зурахын өмнө нэвтэрсэн байх шаардлагатай.");
    EXPECT_FALSE(button("selectFileButton")->isEnabled());
    m_view->chooseDocument();
    EXPECT_TRUE(m_answers.nameFilters.isEmpty()) << "asked for a file while signed out";
    signInAs(QStringLiteral("ав12345678"), QString());
    EXPECT_TRUE(button("selectFileButton")->isEnabled());
    EXPECT_FALSE(m_view->findChild<components::InlineBanner*>()->isVisibleTo(m_view.get()));

    capture("idle", "Select file", "Файл сонгох");
    button("selectFileButton")->click(); // dismissed: nothing happens
    EXPECT_EQ(m_signing->phase(), Phase::idle);
    EXPECT_EQ(m_answers.nameFilters, QStringList{QStringLiteral("PDF (*.pdf)")});
    m_sim.injectFault(SimFault::slow, QStringLiteral("/api/sign-pdf-start"), 1, 3000);
    m_sim.setApproveAfterMs(60'000);
    m_answers.openPath = writeDocument(QStringLiteral("<i>report.pdf"));
    const auto overwrite = [this](const QByteArray& bytes) {
        QFile file(m_answers.openPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    };
    overwrite(orvela::testing::samplePdf(QStringLiteral("Report")));
    button("selectFileButton")->click();
    ASSERT_EQ(m_signing->phase(), Phase::uploading);
    capture("uploading", "Uploading…", "Илгээж байна…");

    ASSERT_TRUE(waitUntil([this] { return m_signing->phase() == Phase::waitingApproval; }));
    const auto* code = m_view->findChild<components::VerificationCodeView*>();
    EXPECT_EQ(code->code(), m_signing->verificationCode());
    EXPECT_TRUE(shows(m_signing->hash()));
    // The page previews the bytes it hashed and will send, not the file as it is now on disk.
    overwrite("no longer a PDF");
    auto* preview = m_view->findChild<components::PdfPagePreview*>(QStringLiteral("signPreview"));
    ASSERT_NE(preview, nullptr);
    ASSERT_TRUE(waitUntil(
        [preview] { return preview->state() == components::PdfPagePreview::State::shown; }));
    capture("waiting", "<i>report.pdf", "<i>report.pdf");
    overwrite(orvela::testing::samplePdf(QStringLiteral("Report")));
    // The wait counts down from the controller's limit (20 s here), as the sign-in wait does.
    const auto* countdown = m_view->findChild<QLabel*>(QStringLiteral("signCountdown"));
    ASSERT_NE(countdown, nullptr);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^0:(20|[01][0-9])$"))
                    .match(countdown->text())
                    .hasMatch())
        << countdown->text().toStdString();

    m_sim.setApproveAfterMs(0);
    ASSERT_TRUE(waitUntil([this] { return ended(); }));
    ASSERT_EQ(m_signing->phase(), Phase::done) << failureText().toStdString();
    capture("done-verified", "Signed successfully", "Гарын үсэг амжилттай");
    EXPECT_TRUE(shows("<i>report_signed.pdf"));
    button("revealButton")->click();
    EXPECT_EQ(m_revealer.revealed, QStringList{m_signing->savedPath()});
    button("newFileButton")->click();
    EXPECT_EQ(m_signing->phase(), Phase::idle);

    // A copy signed by someone else is kept and shown, but never called signed.
    backendsim::SimOutcome otherSigner;
    otherSigner.copy = backendsim::SignedCopyTamper::otherSigner;
    m_sim.scriptNextOutcome(otherSigner);
    button("selectFileButton")->click();
    ASSERT_TRUE(waitUntil([this] { return ended(); }));
    ASSERT_EQ(m_signing->phase(), Phase::done) << failureText().toStdString();
    capture("done-refused",
            "The copy is signed by someone else (register number УБ00000000), not by you.",
            "Хувьд та биш, өөр хүн (регистрийн дугаар УБ00000000) гарын үсэг зурсан байна.");
    for (const AppLanguage language : {AppLanguage::en, AppLanguage::mn}) {
        m_localization->overrideLanguage(language);
        EXPECT_FALSE(
            shows(language == AppLanguage::en ? "Signed successfully" : "Гарын үсэг амжилттай"));
    }
    EXPECT_TRUE(shows("<i>report_signed (1).pdf"));
    button("newFileButton")->click();

    backendsim::SimOutcome declined;
    declined.endResult = QStringLiteral("USER_REFUSED");
    m_sim.scriptNextOutcome(declined);
    button("selectFileButton")->click();
    ASSERT_TRUE(waitUntil([this] { return ended(); }));
    capture("failed", "Signing was declined.", "Гарын үсэг зурахаас татгалзлаа.");
    button("tryAgainButton")->click();
    EXPECT_EQ(m_signing->phase(), Phase::idle);
}

TEST_F(SignViewTest, HidingTheWindowKeepsTheSigningWhileCancelOrAnotherPageEndsIt)
{
    // The page beside another page in a window, as the dashboard shows it.
    m_window = std::make_unique<QWidget>();
    auto* pages = new QStackedWidget(m_window.get());
    pages->addWidget(m_view.get());
    pages->addWidget(new QWidget);
    m_window->show();
    m_sim.setApproveAfterMs(60'000);
    m_answers.openPath = writeDocument(QStringLiteral("a.pdf"));
    for (const bool byCancel : {true, false}) {
        m_view->chooseDocument();
        ASSERT_TRUE(waitUntil([this] { return m_signing->phase() == Phase::waitingApproval; }));
        // Minimised, hidden to the tray, on another workspace: the phone is still being asked.
        m_window->showMinimized();
        m_window->showNormal();
        m_window->hide();
        m_window->show();
        EXPECT_EQ(m_signing->phase(), Phase::waitingApproval);
        if (byCancel) {
            button("cancelButton")->click();
        } else {
            pages->setCurrentIndex(1);
        }
        EXPECT_FALSE(m_signing->isRunning());
        EXPECT_EQ(m_signing->phase(), Phase::idle);
    }
    m_sim.setApproveAfterMs(0); // a poll still running would now be answered
    runEventLoopFor(1500);
    EXPECT_EQ(requests("/api/sign-pdf-download"), 0);
    EXPECT_TRUE(signRecords().isEmpty());
}

} // namespace
