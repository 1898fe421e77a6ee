// No copy of a plain installation key outlives a card run in this process: not in
// the key library's result buffer, not in the link's SectorKey, and not in a heap
// block the run frees (a grown vector, a replaced key buffer).
#include "card_init/CardInit.h"
#include "cryptel/Cryptel.h"
#include "sim/SimReader.h"
#include "tests/support/InstallKeys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <new>

// The freed blocks are seen through a replaced operator delete: not on Windows
// (operator new does not reach across its DLLs) and not under AddressSanitizer,
// which owns the allocator there.
#if !defined(_WIN32) && !defined(__SANITIZE_ADDRESS__)
#include <malloc.h>

namespace {

// Only blocks freed by the thread that runs the procedure are looked at: the
// simulated reader's own copies of the keys are not the run's.
thread_local bool t_watchFrees = false;
std::array<sim::Key, 2> g_keys{};
thread_local int t_blocksWithAKey = 0;

void Inspect(const void* block, std::size_t size) {
    if (!t_watchFrees || block == nullptr || size < 6) return;
    // Anywhere in the block: a key may sit behind other fields of a freed struct.
    const auto* bytes = static_cast<const std::uint8_t*>(block);
    for (const sim::Key& key : g_keys)
        if (std::search(bytes, bytes + size, key.begin(), key.end()) != bytes + size) ++t_blocksWithAKey;
}

}  // namespace

void* operator new(std::size_t size) {
    if (void* block = std::malloc(size ? size : 1)) return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept {
    if (block) Inspect(block, malloc_usable_size(block));
    std::free(block);
}
void operator delete(void* block, std::size_t size) noexcept {
    Inspect(block, size);
    std::free(block);
}

TEST(KeyWipe, NoBlockFreedDuringARunHoldsAKey) {
    g_keys = {InstallKeyFor(5), InstallKeyFor(6)};
    sim::SimReader sim;
    TCommClass comm;
    ASSERT_TRUE(comm.Connect(sim.SlavePath()));
    // Sector 5 already on its installation key: the run offers the transport key
    // and the installation key in turn, then sector 6's keys.
    sim::MifareCard card(0x77665544);
    card.SetKeyA(5, g_keys[0]);
    sim.PlaceCard(card);
    std::uint32_t serial = 0;
    ASSERT_TRUE(comm.RequestCard());
    ASSERT_TRUE(comm.ReadCardSerial(serial));
    const KeyMaterial keys = InstallationKeyMaterial();
    t_watchFrees = true;
    const InitOutcome outcome = InitializeCard(comm, serial, keys, {});
    t_watchFrees = false;
    EXPECT_EQ(outcome, InitOutcome::Ok);
    EXPECT_EQ(t_blocksWithAKey, 0);
    comm.Disconnect();
}
#endif

TEST(KeyWipe, TheLibraryBufferAndSectorKeyAreWipedAfterTheRun) {
    sim::SimReader sim;
    TCommClass comm;
    ASSERT_TRUE(comm.Connect(sim.SlavePath()));
    sim.PlaceCard(sim::MifareCard(0x77665545));
    std::uint32_t serial = 0;
    ASSERT_TRUE(comm.RequestCard());
    ASSERT_TRUE(comm.ReadCardSerial(serial));
    // This thread's result buffer of the key library: DecryptString hands it out
    // for a failed call too.
    const char* buffer = DecryptString("", "");
    EXPECT_EQ(InitializeCard(comm, serial, InstallationKeyMaterial(), {}), InitOutcome::Ok);
    EXPECT_TRUE(std::all_of(buffer, buffer + 7, [](char c) { return c == 0; }));
    EXPECT_TRUE(comm.SectorKey.empty());
    comm.Disconnect();
}
