#pragma once

#include "components/Prompts.h"
#include "signing/SigningController.h"

#include <QWidget>
#include <memory>

class QLabel;
class QStackedWidget;

namespace orvela::common {
class LocalizationService;
}
namespace orvela::components {
class ActionButton;
class InlineBanner;
class PdfPagePreview;
class VerificationCodeView;
} // namespace orvela::components
namespace orvela::platform {
class FileRevealer;
}

namespace orvela::signing::views {

/// The dashboard's signing page: one card per phase of the controller, texts in the interface
/// language. Leaving the page (hiding it within its window) cancels the running task; hiding
/// or minimising the window does not.
class SignView : public QWidget {
    Q_OBJECT
public:
    /// `controller` and `localization` are not owned and must outlive the view.
    /// `prompts` asks for the document (null: the file dialog); tests answer in its place.
    SignView(signing::SigningController& controller, common::LocalizationService& localization,
             std::unique_ptr<components::Prompts> prompts = nullptr, QWidget* parent = nullptr);
    ~SignView() override;

    /// Replaces the file-manager call behind "Reveal"; not owned.
    void setFileRevealer(platform::FileRevealer* revealer);

    /// Asks for a PDF and starts signing it; a dismissed chooser changes nothing.
    void chooseDocument();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* buildIdleCard();
    QWidget* buildUploadingCard();
    QWidget* buildWaitingCard();
    QWidget* buildDoneCard();
    QWidget* buildFailedCard();
    QString text(const char* key) const;
    void retranslate();
    void showPhase();
    void showCopyCheck();

    signing::SigningController& m_controller;
    common::LocalizationService& m_localization;
    std::unique_ptr<components::Prompts> m_prompts;
    std::unique_ptr<platform::FileRevealer> m_ownRevealer;
    platform::FileRevealer* m_revealer;

    QLabel* m_title = nullptr;
    QLabel* m_subtitle = nullptr;
    QStackedWidget* m_pages = nullptr;

    QLabel* m_idleIcon = nullptr;
    QLabel* m_idleHeadline = nullptr;
    QLabel* m_idleCaption = nullptr;
    components::ActionButton* m_selectButton = nullptr;
    components::InlineBanner* m_signedOutBanner = nullptr;

    QLabel* m_uploadingLabel = nullptr;

    QLabel* m_previewCaption = nullptr;
    components::PdfPagePreview* m_preview = nullptr;
    QLabel* m_codeCaption = nullptr;
    components::VerificationCodeView* m_code = nullptr;
    QLabel* m_codeHint = nullptr;
    QLabel* m_fileCaption = nullptr;
    QLabel* m_fileName = nullptr;
    QLabel* m_hashCaption = nullptr;
    QLabel* m_hash = nullptr;
    QLabel* m_waitingLabel = nullptr;
    QLabel* m_countdown = nullptr;
    components::ActionButton* m_cancelButton = nullptr;

    QLabel* m_verifiedIcon = nullptr;
    QLabel* m_refusedIcon = nullptr;
    QLabel* m_doneHeadline = nullptr;
    QLabel* m_refusedReason = nullptr;
    QLabel* m_savedName = nullptr;
    QLabel* m_savedHint = nullptr;
    components::ActionButton* m_newFileButton = nullptr;
    components::ActionButton* m_revealButton = nullptr;

    QLabel* m_failedMessage = nullptr;
    components::ActionButton* m_tryAgainButton = nullptr;
};

} // namespace orvela::signing::views
