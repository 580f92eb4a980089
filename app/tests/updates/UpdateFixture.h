#pragma once

#include "FeedServer.h"
#include "ShellFixture.h"
#include "api/APIClient.h"
#include "updates/UpdateChecker.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace orvela::shell::testing {

using updates::UpdateChecker;
using updates::UpdateCheckResult;

inline bool hasCyrillic(const QString& text)
{
    return text.contains(QRegularExpression(QStringLiteral("[\\x{0400}-\\x{04FF}]")));
}

/// A shell over private settings with an API client and a feed server of its own.
class UpdateTest : public ShellFixture {
protected:
    UpdateCheckResult runCheck(UpdateChecker& checker)
    {
        QSignalSpy finished(&checker, &UpdateChecker::checkFinished);
        EXPECT_TRUE(checker.checkForUpdates());
        EXPECT_TRUE(finished.wait(20000));
        EXPECT_TRUE(checker.canCheckForUpdates());
        return finished.isEmpty() ? UpdateCheckResult{}
                                  : finished.first().first().value<UpdateCheckResult>();
    }

    orvela::api::APIClientOptions clientOptions()
    {
        orvela::api::APIClientOptions options;
        options.settings = &store();
        return options;
    }

    orvela::api::APIClient client{clientOptions()};
    FeedServer server;
};

} // namespace orvela::shell::testing
