// orvela-vcard: the virtual token in pcscd's vpcd reader, for tests and for trying the tools.

#include "PublicKeyFile.h"
#include "VcardOptions.h"
#include "orvela/sim/VpcdBridge.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <optional>

using namespace orvela::sim;

namespace {

// The handler can reach nothing else; stop() only writes to an eventfd.
VpcdBridge* g_bridge = nullptr;

extern "C" void onTerminate(int)
{
    if (g_bridge != nullptr) {
        g_bridge->stop();
    }
}

void installSignalHandlers()
{
    struct sigaction action {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    std::string error;
    const auto options = VcardOptions::parse({argv + 1, argv + argc}, error);
    if (!options) {
        std::fputs(VcardOptions::usage(), error.empty() ? stdout : stderr);
        if (!error.empty()) {
            std::fprintf(stderr, "orvela-vcard: %s\n", error.c_str());
        }
        return error.empty() ? 0 : 2;
    }
    try {
        VirtualToken::Options tokenOptions;
        tokenOptions.mode = options->mode;
        tokenOptions.stateFile = options->stateFile;
        if (options->label) {
            tokenOptions.label = *options->label;
        }
        VirtualToken token(std::move(tokenOptions));

        std::optional<PublicKeyFile> publicKey;
        VpcdBridge::Options bridgeOptions;
        bridgeOptions.port = options->port;
        if (!options->publicKeyOut.empty()) {
            publicKey.emplace(options->publicKeyOut);
            publicKey->update(token.publicKey(1)); // a persistent token may have one already
            bridgeOptions.afterCommand = [&publicKey](VirtualToken& card) {
                if (!publicKey->update(card.publicKey(1))) {
                    std::fputs("orvela-vcard: cannot write the public key file\n", stderr);
                }
            };
        }
        if (const auto stallOn = options->stallOn) {
            bridgeOptions.misbehave = [stallOn](ByteView command) {
                return command.size() > 1 && command[1] == *stallOn
                           ? VpcdBridge::Misbehaviour::stall
                           : VpcdBridge::Misbehaviour::answer;
            };
        }
        if (const auto replyOn = options->replyOn) {
            bridgeOptions.cannedReply = [replyOn](ByteView command) -> std::optional<Bytes> {
                if (command.size() > 1 && command[1] == replyOn->first) {
                    return replyOn->second;
                }
                return std::nullopt;
            };
        }
        VpcdBridge bridge(token, std::move(bridgeOptions));
        g_bridge = &bridge;
        installSignalHandlers();
        std::fprintf(stderr, "orvela-vcard: card side of vpcd on 127.0.0.1:%u\n",
                     static_cast<unsigned>(options->port));
        bridge.run();
        g_bridge = nullptr;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "orvela-vcard: %s\n", e.what());
        return 1;
    }
    return 0;
}
