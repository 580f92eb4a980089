// Released buffers are watched on their way back to the heap: every block handed out while a
// HeapWatch lives is recorded, and its bytes are looked at when it is freed.

#include "orvela/tokenkit/APDUResponse.h"
#include "orvela/tokenkit/TesselDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <new>

using namespace orvela::tokenkit;

namespace {

struct Block {
    const std::uint8_t* at;
    std::size_t size;
    bool released;
    bool zeroedWhenReleased;
};

std::array<Block, 512> g_blocks;
std::size_t g_count = 0;
bool g_watching = false;

void* allocate(std::size_t size) noexcept
{
    void* p = std::malloc(size == 0 ? 1 : size);
    if (g_watching && p != nullptr && g_count < g_blocks.size()) {
        g_blocks[g_count++] = {static_cast<const std::uint8_t*>(p), size, false, false};
    }
    return p;
}

void release(void* p) noexcept
{
    for (std::size_t i = g_count; g_watching && i-- > 0;) {
        Block& block = g_blocks[i];
        if (block.at == p && !block.released) {
            block.released = true;
            block.zeroedWhenReleased =
                std::all_of(block.at, block.at + block.size, [](std::uint8_t b) { return b == 0; });
            break;
        }
    }
    std::free(p);
}

/// Records the heap blocks made while it lives; one watch at a time, on one thread.
class HeapWatch {
public:
    HeapWatch()
    {
        g_count = 0;
        g_watching = true;
    }
    ~HeapWatch() { g_watching = false; }

    std::span<const Block> blocks() const { return {g_blocks.data(), g_count}; }

    /// Live blocks holding exactly these bytes.
    std::size_t liveCopiesOf(ByteView bytes) const
    {
        return std::count_if(g_blocks.begin(), g_blocks.begin() + g_count, [&](const Block& b) {
            return !b.released && b.size == bytes.size() &&
                   std::equal(bytes.begin(), bytes.end(), b.at);
        });
    }
};

} // namespace

// Every form of the global allocation functions, so that each block is freed by its own kind.
void* operator new(std::size_t size)
{
    if (void* p = allocate(size)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return allocate(size);
}
void operator delete(void* p) noexcept
{
    release(p);
}
void operator delete[](void* p) noexcept
{
    release(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    release(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    release(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    release(p);
}

TEST(Wipe, ReleasedBuffersAreZeroedBeforeTheHeapGetsThemBack)
{
    std::vector<std::size_t> notWiped;
    std::size_t released = 0;
    {
        HeapWatch watch;
        {
            // A PIN, a key, a large payload, a buffer that grows (its old block goes back
            // early), and replies dropped by wipe() and by going out of scope.
            Bytes pin = toBytes("123456");
            Bytes key(16, 0xA5);
            Bytes large(4096, 0x5A);
            Bytes grown(8, 0x01);
            grown.resize(100, 0x02);
            APDUResponse wiped(Bytes(65, 0x04), 0x90, 0x00);
            wiped.wipe();
            APDUResponse dropped = APDUResponse::fromFullData(hexToBytes("0102039000"));
        }
        for (const Block& block : watch.blocks()) {
            released += block.released;
            if (block.released && !block.zeroedWhenReleased) {
                notWiped.push_back(block.size);
            }
        }
    }
    EXPECT_GE(released, 8u);
    EXPECT_TRUE(notWiped.empty()) << "a released block of " << notWiped.front() << " bytes";
}

TEST(Wipe, VerifyLeavesThePinOnlyInTheCommandOnTheWire)
{
    // The card looks at the heap while the command is in flight: the command's own copy of the
    // PIN block must be the only one left.
    struct Card final : SmartCard {
        Bytes transmit(ByteView) override
        {
            copies = watch->liveCopiesOf(block);
            return hexToBytes("9000");
        }
        Bytes atr() override { return {}; }
        const Bytes block = hexToBytes("31323334000000000000000000000000");
        const HeapWatch* watch = nullptr;
        std::size_t copies = 0;
    } card;
    TesselDriver driver;
    const HeapWatch watch;
    card.watch = &watch;
    driver.verifyPIN(toBytes("1234"), TesselDriver::kUserPinReference, card);
    EXPECT_EQ(card.copies, 1u);
}
