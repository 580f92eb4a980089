#pragma once

// The tokens page over the shell's kind of token manager, shared by the page's suites: the
// page as the shell builds it, its dialogs' answers and the provisioning form's input.

#include "../TokenScreenFixture.h"
#include "AnsweringPrompts.h"
#include "tokens/ProvisionController.h"
#include "tokens/TokenFailureText.h"
#include "tokens/TokenManager.h"
#include "tokens/views/TokensView.h"

#include <QPushButton>
#include <memory>
#include <optional>
#include <string>

namespace orvela::testing {

inline const QString kEmptyDigest =
    QStringLiteral("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");

/// The failure in English, for a failed check's message.
inline std::string failureText(const std::optional<tokens::TokenFailure>& failure)
{
    return failure ? tokens::tokenFailureText(*failure, common::AppLanguage::en).toStdString()
                   : std::string();
}

class TokenPagesTest : public TokenScreenFixture {
protected:
    /// The page as the shell builds it, over a watching manager on `over` (the fixture's
    /// readers when none), sized like a small window; its dialogs answer from `answers`.
    std::unique_ptr<tokens::views::TokensView>
    open(std::shared_ptr<tokenkit::CardReaders> over = nullptr)
    {
        manager = std::make_unique<tokens::TokenManager>(over ? std::move(over) : readers);
        auto page = std::make_unique<tokens::views::TokensView>(
            *manager, localization, tokens::TokenProvisioner::Options{},
            std::make_unique<AnsweringPrompts>(answers));
        page->resize(560, 520);
        page->show();
        EXPECT_TRUE(
            waitUntil([&] { return cardWorkerIdle() && (!token || manager->tokenInfo()); }));
        return page;
    }

    template <class T> static T* child(QWidget& page, const char* name)
    {
        T* found = page.findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    /// Presses a button that wipes the token, answering its confirmation with `agree`.
    void press(QWidget& page, const char* button, bool agree)
    {
        answers.confirm = agree;
        const int asked = answers.confirmations;
        child<QPushButton>(page, button)->click();
        EXPECT_EQ(answers.confirmations, asked + 1) << button << " did not ask first";
    }

    /// Types the provisioning form's PINs.
    static void fill(tokens::ProvisionController& form, const char* user, const char* repeat,
                     const char* so = Pkcs11Road::soPin)
    {
        form.setUserPin(QString::fromUtf8(user));
        form.setUserPinRepeat(QString::fromUtf8(repeat));
        form.setSoPin(QString::fromUtf8(so));
    }

    /// Options for a controller of the test's own, on the fixture's readers.
    tokens::TokenProvisioner::Options onReaders() const
    {
        tokens::TokenProvisioner::Options options;
        options.readers = readers;
        return options;
    }

    AnsweringPrompts::Answers answers;
    std::unique_ptr<tokens::TokenManager> manager;
};

} // namespace orvela::testing
