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
    return std::make_unique<PcscCardSession>(readerName, m_exchangeLimit);
}

std::unique_ptr<CardEventWaiter> PcscBackend::makeEventWaiter()
{
    return std::make_unique<PcscEventWaiter>();
}

} // namespace pcsc

std::shared_ptr<ReaderBackend> makePcscBackend(std::chrono::milliseconds exchangeLimit)
{
    return std::make_shared<pcsc::PcscBackend>(exchangeLimit);
}

} // namespace orvela::tokenkit
