#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace orvela::testing {

inline constexpr const char* kSoftHsmLibrary = "/usr/lib/softhsm/libsofthsm2.so";

/// A private SoftHSM2 configuration and token directory for one test; SOFTHSM2_CONF points at
/// it while the object lives.
class SoftHsmToken {
public:
    SoftHsmToken()
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "orvela-softhsm-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        m_dir = pattern;
        std::filesystem::create_directory(m_dir / "tokens");
        const auto conf = m_dir / "softhsm2.conf";
        std::ofstream(conf) << "directories.tokendir = " << (m_dir / "tokens").string()
                            << "\nobjectstore.backend = file\nlog.level = ERROR\n";
        ::setenv("SOFTHSM2_CONF", conf.c_str(), 1);
    }
    ~SoftHsmToken()
    {
        ::unsetenv("SOFTHSM2_CONF");
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    SoftHsmToken(const SoftHsmToken&) = delete;
    SoftHsmToken& operator=(const SoftHsmToken&) = delete;

    const std::filesystem::path& directory() const { return m_dir; }

private:
    std::filesystem::path m_dir;
};

} // namespace orvela::testing
