#include "PublicKeyFile.h"
#include "VcardOptions.h"

#include <filesystem>
#include <memory>
#include <gtest/gtest.h>
#include <openssl/bio.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

namespace orvela::sim {
namespace {

Bytes pointOf(EVP_PKEY* key)
{
    Bytes point(65);
    std::size_t length = 0;
    if (key == nullptr || EVP_PKEY_get_octet_string_param(key, OSSL_PKEY_PARAM_PUB_KEY,
                                                          point.data(), point.size(),
                                                          &length) != 1) {
        length = 0;
    }
    EVP_PKEY_free(key);
    point.resize(length);
    return point;
}

/// The point inside the SubjectPublicKeyInfo PEM file, read back with OpenSSL.
Bytes pointInFile(const std::filesystem::path& path)
{
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new_file(path.c_str(), "r"), &BIO_free);
    return pointOf(bio ? PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr) : nullptr);
}

TEST(PublicKeyFile, FileFollowsTheKeyAndKeepsTheLastGoodOne)
{
    const auto path = std::filesystem::temp_directory_path() /
                      ("orvela-vcard-key-" + std::to_string(::getpid()) + ".pem");
    PublicKeyFile file(path.string());
    EXPECT_TRUE(file.update(std::nullopt));
    EXPECT_FALSE(std::filesystem::exists(path)) << "no key yet, but a file was written";

    const Bytes first = pointOf(EVP_EC_gen("P-256"));
    ASSERT_TRUE(file.update(first));
    EXPECT_EQ(pointInFile(path), first);
    const Bytes second = pointOf(EVP_EC_gen("P-256"));
    ASSERT_TRUE(file.update(second));
    EXPECT_EQ(pointInFile(path), second);

    Bytes offCurve = first;
    offCurve[64] ^= 0x01;
    for (const Bytes& bad : {offCurve, Bytes(first.begin(), first.end() - 1), Bytes(65, 0x04)}) {
        EXPECT_FALSE(file.update(bad));
        EXPECT_EQ(pointInFile(path), second) << "a bad point replaced the good file";
    }
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
