// The raw-block handover: the reader sees each complete write, keeps its last
// whole copy while a write is under way, and never sees a mixture of two writes.
#include "Common/wrappers/utilities/RawBlockHandover.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

TEST(CRawBlockHandoverTest, ReaderSeesEachCompleteWriteAndAnUnchangedOneIsNoWrite)
{
    CRawBlockHandover block(8);
    EXPECT_EQ(block.GetSize(), 8);
    const uint8_t zeros[8] = {};
    EXPECT_EQ(std::memcmp(block.Read(), zeros, 8), 0);
    const uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    block.Write(bytes);
    EXPECT_EQ(std::memcmp(block.GetShared(), bytes, 8), 0);
    const uint8_t* copy = block.Read();
    EXPECT_EQ(std::memcmp(copy, bytes, 8), 0);
    EXPECT_EQ(block.Read(), copy); // unchanged since: the same copy, nothing recopied
    // A reload of an unchanged state must not make the reader recopy or rederive anything.
    const uint32_t sequence = block.GetReadSequence();
    block.Write(bytes);
    EXPECT_EQ(block.Read(), copy);
    EXPECT_EQ(block.GetReadSequence(), sequence);
    const uint8_t changed[8] = {1, 2, 3, 4, 5, 6, 7, 9}; // one byte different is a write
    block.Write(changed);
    EXPECT_EQ(std::memcmp(block.Read(), changed, 8), 0);
    EXPECT_NE(block.GetReadSequence(), sequence);
    block.Write(nullptr); // zero fill
    EXPECT_EQ(std::memcmp(block.Read(), zeros, 8), 0);
    EXPECT_EQ(std::memcmp(block.GetShared(), zeros, 8), 0);
    const uint32_t zeroSequence = block.GetReadSequence();
    block.Write(nullptr); // zeros onto zeros likewise
    block.Read();
    EXPECT_EQ(block.GetReadSequence(), zeroSequence);
    block.Write(bytes);
    block.Synchronise(); // copies the shared bytes for the reader
    EXPECT_EQ(std::memcmp(block.Read(), bytes, 8), 0);
}

TEST(CRawBlockHandoverTest, ConcurrentReaderNeverSeesAMixtureOfWrites)
{
    // Each write fills the whole block with one byte value; a torn copy would hold
    // two values. The reader must also see the writes progress: the writer pauses
    // between writes, as an editor does.
    constexpr int kSize = 2048;
    constexpr int kRounds = 3000;
    CRawBlockHandover block(kSize);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        std::vector<uint8_t> bytes(kSize);
        for (int round = 1; round <= kRounds; ++round)
        {
            std::memset(bytes.data(), round & 0xFF, kSize);
            block.Write(bytes.data());
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        }
        done.store(true);
    });
    long torn = 0;
    long changes = 0;
    uint8_t last = 0;
    while (!done.load())
    {
        const uint8_t* copy = block.Read();
        for (int i = 1; i < kSize; ++i)
            torn += copy[i] != copy[0];
        changes += copy[0] != last;
        last = copy[0];
    }
    writer.join();
    EXPECT_EQ(torn, 0);
    EXPECT_GT(changes, 0);
    EXPECT_EQ(block.Read()[0], kRounds & 0xFF);
}

TEST(CRawBlockHandoverTest, HeldWritesArriveOnlyThroughAdoptAndAPlainWriteLiftsTheHold)
{
    CRawBlockHandover block(4);
    const uint8_t loaded[4] = {1, 2, 3, 4};
    block.WriteHeld(loaded);
    const uint32_t sequence = block.GetWriteSequence();
    const uint8_t zeros[4] = {};
    EXPECT_EQ(std::memcmp(block.Read(), zeros, 4), 0);
    block.Adopt(loaded, sequence);
    EXPECT_EQ(std::memcmp(block.Read(), loaded, 4), 0);
    EXPECT_EQ(block.GetReadSequence(), sequence);
    const uint8_t edited[4] = {5, 6, 7, 8};
    block.Write(edited);
    EXPECT_EQ(std::memcmp(block.Read(), edited, 4), 0);
    // A snapshot older than the copy changes nothing.
    block.Adopt(loaded, sequence);
    EXPECT_EQ(std::memcmp(block.Read(), edited, 4), 0);
}
