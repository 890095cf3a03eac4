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
    std::vector<const VstMidiEvent*> table(static_cast<std::size_t>(events->numEvents));
    std::memcpy(table.data(), reinterpret_cast<const char*>(events) + offsetof(VstEvents, events),
                table.size() * sizeof(VstEvent*));
    return table;
}
} // namespace

TEST(CMidiScheduleTest, LocateGivesBlockAndOffset)
{
    struct ROW
    {
        std::int64_t sample;
        int blockSize;
        std::int64_t block;
        int offset;
    };
    const ROW rows[] = {
        {1000, 512, 1, 488}, // 1000 = 1 x 512 + 488
        {0, 512, 0, 0},
        {511, 512, 0, 511},
        {512, 512, 1, 0},
        {44100, 1, 44100, 0},
        {10000000000LL, 512, 19531250, 0}, // beyond 32-bit sample counts
    };
    for (const ROW& row : rows)
    {
        const BLOCK_POSITION position = CMidiSchedule::Locate(row.sample, row.blockSize);
        EXPECT_EQ(position.block, row.block) << row.sample;
        EXPECT_EQ(position.offset, row.offset) << row.sample;
    }
}

TEST(CMidiScheduleTest, EventsArriveInTheBlockThatHoldsTheirSample)
{
    CMidiSchedule schedule;
    schedule.Prepare({{1000, 1, 64}, {10, 7, 100}, {511, 11, 5}, {512, 74, 127}});
    // Block 0 = samples 0..511: the events at 10 and 511, sorted by sample.
    VstEvents* block0 = schedule.EventsForBlock(0, 512);
    ASSERT_NE(block0, nullptr);
    ASSERT_EQ(block0->numEvents, 2);
    const VstMidiEvent* first = Events(block0)[0];
    EXPECT_EQ(first->deltaFrames, 10);
    EXPECT_EQ(static_cast<unsigned char>(first->midiData[0]), 0xB0);
    EXPECT_EQ(first->midiData[1], 7);
    EXPECT_EQ(first->midiData[2], 100);
    EXPECT_EQ(first->type, kVstMidiType);
    EXPECT_EQ(first->byteSize, static_cast<VstInt32>(sizeof(VstMidiEvent)));
    EXPECT_EQ(Events(block0)[1]->deltaFrames, 511);

    // Block 1 = 512..1023: 512 at offset 0 and 1000 at offset 488.
    VstEvents* block1 = schedule.EventsForBlock(512, 512);
    ASSERT_NE(block1, nullptr);
    ASSERT_EQ(block1->numEvents, 2);
    EXPECT_EQ(Events(block1)[0]->deltaFrames, 0);
    EXPECT_EQ(Events(block1)[1]->deltaFrames, 488);
    EXPECT_EQ(Events(block1)[1]->midiData[1], 1);
    EXPECT_EQ(schedule.EventsForBlock(1024, 512), nullptr);

    // More events in one short last block (1024..1039) than VstEvents declares; at equal
    // samples the command-line order is kept.
    std::vector<CONTROL_CHANGE> changes;
    for (int i = 0; i < 40; ++i)
        changes.push_back({1030 + i % 3, i, 127 - i});
    schedule.Prepare(changes);
    EXPECT_EQ(schedule.EventsForBlock(512, 512), nullptr);
    VstEvents* last = schedule.EventsForBlock(1024, 16);
    ASSERT_NE(last, nullptr);
    ASSERT_EQ(last->numEvents, 40);
    const std::vector<const VstMidiEvent*> events = Events(last);
    EXPECT_EQ(events[0]->deltaFrames, 6);
    EXPECT_EQ(events[0]->midiData[1], 0);
    EXPECT_EQ(events[1]->midiData[1], 3);
    EXPECT_EQ(events[39]->deltaFrames, 8);
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
        {"-1:1:64", "SAMPLE"},
        {"abc:1:64", "SAMPLE"},
        {"10:128:64", "CONTROLLER"},
        {"10:-1:64", "CONTROLLER"},
        {"10:1:128", "VALUE"},
        {"10:1:", "VALUE"},
        {"10:1:6x", "VALUE"},
        {"10:1", "SAMPLE:CONTROLLER:VALUE"},
        {"10:1:2:3", "SAMPLE:CONTROLLER:VALUE"},
        {"", "SAMPLE:CONTROLLER:VALUE"},
    };
    for (const auto& [text, field] : refused)
    {
        EXPECT_FALSE(CMidiSchedule::ParseControlChange(text, change, error)) << text;
        EXPECT_NE(error.find(field), std::string::npos) << text << ": " << error;
    }
}
