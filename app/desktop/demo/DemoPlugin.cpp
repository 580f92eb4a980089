// The demo plugin: the backend simulator and the virtual token, loaded only by `--demo`.

#include "BackendSim.h"
#include "desktop/demo/DemoServices.h"
#include "orvela/sim/VirtualReaderBackend.h"
#include "orvela/sim/VirtualToken.h"

#include <QtGlobal>

namespace {

using namespace orvela;

class PluginDemoServices final : public demo::DemoServices {
public:
    void useLogSink(std::shared_ptr<tokenkit::LogSink> sink) override
    {
        tokenkit::setLogSink(std::move(sink));
    }

    QString startBackend(int approveAfterMs, const QString& authorityDirectory) override
    {
        m_backend = std::make_unique<backendsim::BackendSim>();
        if (!authorityDirectory.isEmpty() && !m_backend->useStateDirectory(authorityDirectory)) {
            m_backend.reset();
            return {};
        }
        m_backend->setApproveAfterMs(approveAfterMs);
        if (m_backend->start(QHostAddress::LocalHost, 0) == 0) {
            m_backend.reset();
            return {};
        }
        return m_backend->baseUrl();
    }

    QByteArray backendAuthorityPem() const override
    {
        return m_backend ? m_backend->authorityPem() : QByteArray();
    }

    void stopBackend() override { m_backend.reset(); }

    std::shared_ptr<tokenkit::ReaderBackend> makeVirtualReader(const std::string& stateFile,
                                                               const std::string& label,
                                                               demo::VirtualTokenMode mode) override
    {
        sim::VirtualToken::Options options;
        options.mode = mode == demo::VirtualTokenMode::des   ? sim::VirtualToken::Mode::des
                       : mode == demo::VirtualTokenMode::aes ? sim::VirtualToken::Mode::aes
                                                             : sim::VirtualToken::Mode::aesFips;
        options.stateFile = stateFile;
        if (!label.empty()) {
            options.label = label;
        }
        auto reader = std::make_shared<sim::VirtualReaderBackend>(1);
        reader->setToken(0, std::make_shared<sim::VirtualToken>(std::move(options)));
        return reader;
    }

private:
    std::unique_ptr<backendsim::BackendSim> m_backend;
};

} // namespace

extern "C" Q_DECL_EXPORT orvela::demo::DemoServices* orvela_demo_services_v3()
{
    return new PluginDemoServices;
}
