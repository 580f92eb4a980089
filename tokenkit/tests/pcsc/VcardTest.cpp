#include "PublicKeyFile.h"
#include "VcardOptions.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <openssl/bio.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <sstream>

namespace orvela::sim {
namespace {

/// A fresh P-256 key's uncompressed public point.
Bytes newPoint()
{
    EVP_PKEY* key = EVP_EC_gen("P-256");
    Bytes point(65);
    std::size_t length = 0;
    EVP_PKEY_get_octet_string_param(key, OSSL_PKEY_PARAM_PUB_KEY, point.data(), point.size(),
                                    &length);
    EVP_PKEY_free(key);
    point.resize(length);
    return point;
}

/// The point inside a SubjectPublicKeyInfo PEM, read back with OpenSSL.
Bytes pointOfPem(const std::string& pem)
{
    BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
    EVP_PKEY* key = PEM_read_bio_PUBKEY(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    if (key == nullptr) {
        return {};
    }
    Bytes point(65);
    std::size_t length = 0;
    EVP_PKEY_get_octet_string_param(key, OSSL_PKEY_PARAM_PUB_KEY, point.data(), point.size(),
                                    &length);
    EVP_PKEY_free(key);
    point.resize(length);
    return point;
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(PublicKeyFile, PemCarriesThePointAndRejectsWhatIsNotOne)
{
    const Bytes point = newPoint();
    ASSERT_EQ(point.size(), 65u);
    EXPECT_EQ(pointOfPem(PublicKeyFile::toPem(point)), point);

    Bytes offCurve = point;
    offCurve[64] ^= 0x01;
    EXPECT_TRUE(PublicKeyFile::toPem(offCurve).empty());
    EXPECT_TRUE(PublicKeyFile::toPem(ByteView(point).first(64)).empty());
}

TEST(PublicKeyFile, FileFollowsTheKeyAndKeepsTheLastGoodOne)
{
    const auto path = std::filesystem::temp_directory_path() /
                      ("orvela-vcard-key-" + std::to_string(::getpid()) + ".pem");
    PublicKeyFile file(path.string());
    EXPECT_TRUE(file.update(std::nullopt));
    EXPECT_FALSE(std::filesystem::exists(path)) << "no key yet, but a file was written";

    const Bytes first = newPoint();
    ASSERT_TRUE(file.update(first));
    EXPECT_EQ(pointOfPem(readFile(path)), first);

    const Bytes second = newPoint();
    ASSERT_TRUE(file.update(second));
    EXPECT_EQ(pointOfPem(readFile(path)), second);

    EXPECT_FALSE(file.update(Bytes(65, 0x04)));
    EXPECT_EQ(pointOfPem(readFile(path)), second) << "a bad point replaced the good file";
    EXPECT_FALSE(std::filesystem::exists(path.string() + ".tmp"));
    std::filesystem::remove(path);
}

TEST(VcardOptions, ParsesEachOptionAndRefusesBadValues)
{
    std::string error;
    const auto options = VcardOptions::parse(
        {"--port", "35964", "--mode", "fips", "--state", "s.bin", "--public-key-out", "k.pem",
         "--label", std::string(40, 'L')},
        error);
    ASSERT_TRUE(options.has_value()) << error;
    EXPECT_EQ(options->port, 35964);
    EXPECT_EQ(options->mode, VirtualToken::Mode::aesFips);
    EXPECT_EQ(options->stateFile, "s.bin");
    EXPECT_EQ(options->publicKeyOut, "k.pem");
    EXPECT_EQ(options->label, std::string(40, 'L'));

    const auto defaults = VcardOptions::parse({}, error);
    ASSERT_TRUE(defaults.has_value());
    EXPECT_EQ(defaults->port, 35963);
    EXPECT_EQ(defaults->mode, VirtualToken::Mode::aes);

    for (const auto& bad : std::vector<std::vector<std::string>>{{"--port", "0"},
                                                                 {"--port", "65536"},
                                                                 {"--port", "12x"},
                                                                 {"--mode", "rsa"},
                                                                 {"--state"},
                                                                 {"--label", std::string(41, 'L')},
                                                                 {"--colour", "red"}}) {
        error.clear();
        EXPECT_FALSE(VcardOptions::parse(bad, error).has_value()) << bad[0];
        EXPECT_FALSE(error.empty()) << bad[0];
    }
    EXPECT_FALSE(VcardOptions::parse({"--help"}, error).has_value());
    EXPECT_TRUE(error.empty());
}

} // namespace
} // namespace orvela::sim
