// pades-tool: makes test credentials, sample and signed PDFs, and attacked copies of them, for
// the verifier's tests and by hand. A development tool; never installed.

#include "Pades.h"
#include "Surgery.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using namespace orvela::pades;

namespace {

constexpr const char* usage =
    "usage: pades-tool pki DIR\n"
    "         writes ca.pem, signer.pem/-key.pem (register AA00112233), tsa.pem/-key.pem\n"
    "       pades-tool sample OUT [--text TEXT] [--size BYTES]\n"
    "       pades-tool sign IN OUT --cert PEM --key PEM [--chain PEM] [--reserve BYTES]\n"
    "                               [--tsa-cert PEM --tsa-key PEM]\n"
    "       pades-tool timestamp IN OUT --tsa-cert PEM --tsa-key PEM\n"
    "       pades-tool attack NAME IN OUT\n"
    "         NAME: contents-empty contents-null contents-missing byterange-missing\n"
    "               byterange-short byterange-overlap byterange-outside byterange-huge\n"
    "               append-page-content append-catalogue append-annotation\n"
    "               wrap-moved-part wrap-gap-objects\n";

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw PadesError("cannot read " + path);
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
        throw PadesError("cannot write " + path);
    }
}

/// The "--name value" pairs after the positional arguments.
std::map<std::string, std::string> options(const std::vector<std::string>& args, std::size_t from)
{
    std::map<std::string, std::string> result;
    for (std::size_t i = from; i + 1 < args.size(); i += 2) {
        result[args[i]] = args[i + 1];
    }
    return result;
}

Credential credential(const std::map<std::string, std::string>& opts, const std::string& cert,
                      const std::string& key)
{
    if (!opts.contains(cert) || !opts.contains(key)) {
        throw PadesError("missing " + cert + " or " + key);
    }
    return Credential::fromPem(readFile(opts.at(cert)), readFile(opts.at(key)));
}

void makePki(const std::string& dir)
{
    const Credential ca = makeAuthority("Orvela Test Authority");
    const Credential signer = issueSigner(ca, "AA00112233", "Bat-Erdene Dorj");
    const Credential tsa = issueTimestamper(ca, "Orvela Test Timestamps");
    writeFile(dir + "/ca.pem", ca.certificatePem());
    writeFile(dir + "/signer.pem", signer.certificatePem());
    writeFile(dir + "/signer-key.pem", signer.privateKeyPem());
    writeFile(dir + "/tsa.pem", tsa.certificatePem());
    writeFile(dir + "/tsa-key.pem", tsa.privateKeyPem());
}

int run(const std::vector<std::string>& args)
{
    const std::string command = args.empty() ? "" : args[0];
    if (command == "pki" && args.size() == 2) {
        makePki(args[1]);
    } else if (command == "sample" && args.size() >= 2) {
        const auto opts = options(args, 2);
        const std::string text = opts.contains("--text") ? opts.at("--text") : "Orvela";
        const std::size_t size = opts.contains("--size") ? std::stoull(opts.at("--size")) : 0;
        writeFile(args[1], samplePdf(text, size));
    } else if (command == "sign" && args.size() >= 3) {
        const auto opts = options(args, 3);
        SignOptions sign;
        if (opts.contains("--chain")) {
            sign.chain.push_back({Credential::fromPem(readFile(opts.at("--chain")), {})});
        }
        if (opts.contains("--reserve")) {
            sign.reservedSize = std::stoull(opts.at("--reserve"));
        }
        if (opts.contains("--tsa-cert")) {
            sign.timestamper = credential(opts, "--tsa-cert", "--tsa-key");
        }
        writeFile(args[2], signPdf(readFile(args[1]), credential(opts, "--cert", "--key"), sign));
    } else if (command == "timestamp" && args.size() >= 3) {
        const auto opts = options(args, 3);
        writeFile(args[2],
                  timestampPdf(readFile(args[1]), credential(opts, "--tsa-cert", "--tsa-key")));
    } else if (command == "attack" && args.size() == 4) {
        const auto attack = attackNamed(args[1]);
        if (!attack) {
            std::cerr << "pades-tool: no attack named " << args[1] << "\n";
            return 2;
        }
        writeFile(args[3], applyAttack(readFile(args[2]), *attack));
    } else {
        std::cerr << usage;
        return 2;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::cerr << "pades-tool: " << e.what() << "\n";
        return 1;
    }
}
