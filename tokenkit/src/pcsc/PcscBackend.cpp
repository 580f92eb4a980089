#include "PcscBackend.h"

#include "PcscCardSession.h"
#include "PcscContext.h"
#include "PcscEventWaiter.h"
#include "PcscReaderList.h"

namespace orvela::tokenkit {

namespace pcsc {

std::vector<std::string> PcscBackend::listReaders()
{
    PcscContext context;
    return listReaderNames(context.handle());
}

std::unique_ptr<CardSession> PcscBackend::connect(const std::string& readerName)
{
    return std::make_unique<PcscCardSession>(readerName);
}

std::unique_ptr<CardEventWaiter> PcscBackend::makeEventWaiter()
{
    return std::make_unique<PcscEventWaiter>();
}

} // namespace pcsc

std::shared_ptr<ReaderBackend> makePcscBackend()
{
    return std::make_shared<pcsc::PcscBackend>();
}

} // namespace orvela::tokenkit
