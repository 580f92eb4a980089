// The token manager over the in-process virtual reader, whose sessions behave like PC/SC ones;
// PcscLiveTest drives the same manager through pcscd.

#include "orvela/tokenkit/TokenManager.h"

#include "orvela/sim/VirtualReaderBackend.h"
#include "orvela/tokenkit/APDUResponse.h"
#include "orvela/tokenkit/PcscError.h"
#include "orvela/tokenkit/TokenError.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

namespace orvela::tokenkit::test {
namespace {

using sim::VirtualReaderBackend;
using sim::VirtualToken;

const Bytes kGetChallenge{0x00, 0x84, 0x00, 0x00, 0x08};

/// A card service whose listing or connecting fails with the error it was given.
struct FailingBackend final : ReaderBackend {
    std::exception_ptr listError;
    std::exception_ptr connectError;
    std::vector<std::string> listReaders() override
    {
        if (listError) {
            std::rethrow_exception(listError);
        }
        return {"Reader"};
    }
    std::unique_ptr<CardSession> connect(const std::string&) override
    {
        std::rethrow_exception(connectError);
    }
    std::unique_ptr<CardEventWaiter> makeEventWaiter() override { return nullptr; }
};

template <class Error> auto errorCodeOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& error) {
        return error.code();
    }
    ADD_FAILURE() << "no such error thrown";
    return decltype(std::declval<Error>().code()){};
}

class TokenManagerTest : public ::testing::Test {
protected:
    TokenManagerTest() { backend->setToken(1, token); }

    std::shared_ptr<VirtualToken> token = std::make_shared<VirtualToken>(VirtualToken::Options{});
    std::shared_ptr<VirtualReaderBackend> backend = std::make_shared<VirtualReaderBackend>(2);
    TokenManager manager{backend};
};

TEST_F(TokenManagerTest, OpeningFailsWithItsCauseAndTheWorkNeverRuns)
{
    auto failing = std::make_shared<FailingBackend>();
    const auto use = [&](std::shared_ptr<ReaderBackend> other) { manager.setBackend(other); };
    struct Case {
        const char* name;
        std::function<void()> arrange;
        int index;
        TokenError::Code code;
    };
    using Code = TokenError::Code;
    const std::vector<Case> cases{
        {"index below the list", {}, -1, Code::readerNotConnected},
        {"index one past the list", {}, 2, Code::readerNotConnected},
        {"index far past the list", {}, 1000, Code::readerNotConnected},
        {"reader without a card", {}, 0, Code::cardNotFound},
        {"card taken out", [&] { backend->setPresent(1, false); }, 1, Code::cardNotFound},
        {"no readers", [&] { use(std::make_shared<VirtualReaderBackend>(0)); }, 0,
         Code::readerNotConnected},
        {"no card service",
         [&] {
             failing->listError = std::make_exception_ptr(TokenError::readerNotConnected());
             use(failing);
         },
         0, Code::readerNotConnected},
        {"card gone while connecting",
         [&] {
             failing->connectError = std::make_exception_ptr(TokenError::cardNotFound());
             use(failing);
         },
         0, Code::cardNotFound},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        failing = std::make_shared<FailingBackend>();
        backend->setPresent(1, true);
        manager.setBackend(backend);
        if (c.arrange) {
            c.arrange();
        }
        bool ran = false;
        EXPECT_EQ(errorCodeOf<TokenError>(
                      [&] { manager.withSession(c.index, [&](SmartCard&) { ran = true; }); }),
                  c.code);
        EXPECT_EQ(errorCodeOf<TokenError>([&] { manager.getATR(c.index); }), c.code);
        EXPECT_FALSE(ran);
    }
    // Without a card service, or with one that fails to list, there are simply no readers.
    for (auto error : {std::make_exception_ptr(TokenError::readerNotConnected()),
                       std::make_exception_ptr(PcscError(0x80100006, "SCardListReaders"))}) {
        failing->listError = error;
        manager.setBackend(failing);
        EXPECT_TRUE(manager.getReaderNames().empty());
        EXPECT_FALSE(manager.hasToken());
    }
}

TEST_F(TokenManagerTest, WorkRunsOnTheNamedReadersCardAndItsResultComesBack)
{
    auto [reply, owned] = manager.withSession(1, [](SmartCard& card) {
        return std::pair(APDUResponse::fromFullData(card.transmit(kGetChallenge)),
                         std::make_unique<int>(7));
    });
    EXPECT_TRUE(reply.isSuccess());
    ASSERT_TRUE(reply.data().has_value());
    EXPECT_EQ(reply.data()->size(), 8u);
    ASSERT_NE(owned, nullptr);
    EXPECT_EQ(*owned, 7);
    EXPECT_EQ(manager.getATR(1), token->atr());
}

TEST_F(TokenManagerTest, TheSessionIsExclusiveAndClosedBeforeAWorkErrorArrives)
{
    struct WorkFailure : std::runtime_error {
        using std::runtime_error::runtime_error;
    };
    try {
        manager.withSession(1, [&](SmartCard&) {
            EXPECT_EQ(errorCodeOf<PcscError>([&] { manager.getATR(1); }),
                      PcscError::sharingViolation);
            throw WorkFailure("work broke");
        });
        FAIL() << "no error";
    } catch (const WorkFailure& error) {
        EXPECT_STREQ(error.what(), "work broke");
        EXPECT_EQ(manager.getATR(1), token->atr()) << "session still open when the error arrived";
    }
    // A TokenError from the work is not remapped either.
    EXPECT_EQ(errorCodeOf<TokenError>([&] {
                  manager.withSession(1, [](SmartCard&) { throw TokenError::pinBlocked(); });
              }),
              TokenError::Code::pinBlocked);
}

} // namespace
} // namespace orvela::tokenkit::test
