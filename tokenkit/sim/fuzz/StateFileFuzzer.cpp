// A virtual token's state file, possibly edited by hand or cut short.
#include "CardState.h"
#include "StateFile.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unistd.h>

using namespace orvela::sim;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string input = std::filesystem::temp_directory_path() /
                                     ("orvela-fuzz-" + std::to_string(getpid()) + "-input");
    static const std::string copy = input + "-copy";
    {
        std::ofstream out(input, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    CardState state;
    try {
        if (!StateFile(input).load(state)) {
            std::abort();
        }
    } catch (const std::runtime_error&) {
        return 0;
    }
    // A state the token accepted must survive its own save and load.
    StateFile(copy).save(state);
    CardState again;
    if (!StateFile(copy).load(again)) {
        std::abort();
    }
    return 0;
}
