#include "components/ActionButton.h"
#include "components/VerificationCodeView.h"

#include <QLabel>
#include <gtest/gtest.h>

using namespace orvela::components;

namespace {

TEST(VerificationCodeView, OneBoxPerCharacterAndNoLeftoversOnChange)
{
    VerificationCodeView view;
    view.setCode(QStringLiteral("1234"));
    EXPECT_EQ(view.boxTexts(), QStringList({"1", "2", "3", "4"}));
    EXPECT_EQ(view.accessibleName(), QStringLiteral("1234"));
    view.setCode(QStringLiteral("07"));
    EXPECT_EQ(view.boxTexts(), QStringList({"0", "7"}));
    EXPECT_EQ(view.findChildren<QLabel*>().size(), 2);
    view.setCode(QString());
    EXPECT_TRUE(view.findChildren<QLabel*>().isEmpty());
}

TEST(ActionButton, OnlyThePrimaryButtonIsTheDefault)
{
    ActionButton button(QStringLiteral("Go"));
    EXPECT_TRUE(button.isDefault());
    button.setRole(ActionButton::Role::secondary);
    EXPECT_FALSE(button.isDefault());
    EXPECT_EQ(button.styleSheet(),
              ActionButton(QStringLiteral("Back"), ActionButton::Role::secondary).styleSheet());
}

} // namespace
