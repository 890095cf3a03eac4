#include "MidiSchedule.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

using namespace morvex::render;

namespace
{
// The event pointers of a VstEvents record. The record declares two but carries numEvents, so
// they are copied out from the table's offset rather than indexed past the declared array.
std::vector<const VstMidiEvent*> Events(const VstEvents* events)
{
    const std::size_t count = events ? static_cast<std::size_t>(events->numEvents) : 0;
    std::vector<const VstMidiEvent*> table(count);
    if (count > 0)
    {
        const char* at = reinterpret_cast<const char*>(events) + offsetof(VstEvents, events);
        std::memcpy(table.data(), at, count * sizeof(VstEvent*));
    }
    return table;
}
} // namespace

TEST(CMidiScheduleTest, LocateGivesBlockAndOffset)
{
    const std::int64_t rows[][4] = {
        // sample, block size, block, offset
        {1000, 512, 1, 488}, {0, 512, 0, 0}, {511, 512, 0, 511}, {512, 512, 1, 0},
        {44100, 1, 44100, 0},
        {10000000000LL, 512, 19531250, 0}, // beyond 32-bit sample counts
    };
    for (const auto& row : rows)
    {
        const BLOCK_POSITION position = CMidiSchedule::Locate(row[0], static_cast<int>(row[1]));
        EXPECT_EQ(position.block, row[2]) << row[0];
        EXPECT_EQ(position.offset, row[3]) << row[0];
    }
}

TEST(CMidiScheduleTest, EventsArriveInTheBlockThatHoldsTheirSample)
{
    CMidiSchedule schedule;
    schedule.Prepare({{1000, 1, 64}, {10, 7, 100}, {511, 11, 5}, {512, 74, 127}});
    // Block 0 = samples 0..511: the events at 10 and 511, sorted by sample.
    const std::vector<const VstMidiEvent*> block0 = Events(schedule.EventsForBlock(0, 512));
    ASSERT_EQ(block0.size(), 2u);
    EXPECT_EQ(block0[0]->deltaFrames, 10);
    EXPECT_EQ(static_cast<unsigned char>(block0[0]->midiData[0]), 0xB0);
    EXPECT_EQ(block0[0]->midiData[1], 7);
    EXPECT_EQ(block0[0]->midiData[2], 100);
    EXPECT_EQ(block0[0]->type, kVstMidiType);
    EXPECT_EQ(block0[0]->byteSize, static_cast<VstInt32>(sizeof(VstMidiEvent)));
    EXPECT_EQ(block0[1]->deltaFrames, 511);
    // Block 1 = 512..1023: 512 at offset 0 and 1000 at offset 488.
    const std::vector<const VstMidiEvent*> block1 = Events(schedule.EventsForBlock(512, 512));
    ASSERT_EQ(block1.size(), 2u);
    EXPECT_EQ(block1[0]->deltaFrames, 0);
    EXPECT_EQ(block1[1]->deltaFrames, 488);
    EXPECT_EQ(block1[1]->midiData[1], 1);
    EXPECT_EQ(schedule.EventsForBlock(1024, 512), nullptr);

    // More events in one short last block (1024..1039) than VstEvents declares; at equal
    // samples the command-line order is kept.
    std::vector<CONTROL_CHANGE> changes;
    for (int i = 0; i < 40; ++i)
        changes.push_back({1030 + i % 3, i, 127 - i});
    schedule.Prepare(changes);
    EXPECT_EQ(schedule.EventsForBlock(512, 512), nullptr);
    const std::vector<const VstMidiEvent*> last = Events(schedule.EventsForBlock(1024, 16));
    ASSERT_EQ(last.size(), 40u);
    EXPECT_EQ(last[0]->deltaFrames, 6);
    EXPECT_EQ(last[0]->midiData[1], 0);
    EXPECT_EQ(last[1]->midiData[1], 3);
    EXPECT_EQ(last[39]->deltaFrames, 8);
}

TEST(CMidiScheduleTest, ParseControlChangeReadsThreeFieldsOrNamesTheBadOne)
{
    CONTROL_CHANGE change;
    std::string error;
    ASSERT_TRUE(CMidiSchedule::ParseControlChange("44100:1:64", change, error)) << error;
    EXPECT_EQ(change.sample, 44100);
    EXPECT_EQ(change.controller, 1);
    EXPECT_EQ(change.value, 64);
    ASSERT_TRUE(CMidiSchedule::ParseControlChange("0:127:0", change, error)) << error;
    EXPECT_EQ(change.controller, 127);

    const std::pair<const char*, const char*> refused[] = {
        {"-1:1:64", "SAMPLE"},  {"abc:1:64", "SAMPLE"}, {"10:128:64", "CONTROLLER"},
        {"10:-1:64", "CONTROLLER"}, {"10:1:128", "VALUE"}, {"10:1:", "VALUE"},
        {"10:1:6x", "VALUE"}, {"10:1", "SAMPLE:CONTROLLER:VALUE"},
        {"10:1:2:3", "SAMPLE:CONTROLLER:VALUE"}, {"", "SAMPLE:CONTROLLER:VALUE"},
    };
    for (const auto& [text, field] : refused)
    {
        EXPECT_FALSE(CMidiSchedule::ParseControlChange(text, change, error)) << text;
        EXPECT_NE(error.find(field), std::string::npos) << text << ": " << error;
    }
}
