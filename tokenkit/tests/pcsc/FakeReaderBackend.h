#pragma once

#include "orvela/tokenkit/ReaderBackend.h"

#include <exception>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace orvela::tokenkit::test {

/// What a fake backend saw; shared with its sessions so that it survives them.
struct FakeJournal {
    int listed = 0;
    int opened = 0;
    int closed = 0;
    std::vector<Bytes> transmitted;
};

/// A scriptable reader backend: readers, the card (ATR) in each, and the error any step throws.
class FakeReaderBackend final : public ReaderBackend {
public:
    std::vector<std::string> readers;
    std::map<std::string, Bytes> cards; ///< reader name → ATR of the card inserted there
    std::exception_ptr listError;
    std::exception_ptr connectError;
    Bytes reply{0x90, 0x00};
    std::shared_ptr<FakeJournal> journal = std::make_shared<FakeJournal>();

    std::vector<std::string> listReaders() override;
    std::unique_ptr<CardSession> connect(const std::string& readerName) override;
    std::unique_ptr<CardEventWaiter> makeEventWaiter() override;
};

} // namespace orvela::tokenkit::test
