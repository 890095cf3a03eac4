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
    // 1000 = 1 x 512 + 488
    EXPECT_EQ(CMidiSchedule::Locate(1000, 512).block, 1);
    EXPECT_EQ(CMidiSchedule::Locate(1000, 512).offset, 488);
    EXPECT_EQ(CMidiSchedule::Locate(0, 512).block, 0);
    EXPECT_EQ(CMidiSchedule::Locate(0, 512).offset, 0);
    EXPECT_EQ(CMidiSchedule::Locate(511, 512).offset, 511);
    EXPECT_EQ(CMidiSchedule::Locate(512, 512).block, 1);
    EXPECT_EQ(CMidiSchedule::Locate(512, 512).offset, 0);
    EXPECT_EQ(CMidiSchedule::Locate(44100, 1).block, 44100);
    EXPECT_EQ(CMidiSchedule::Locate(44100, 1).offset, 0);
    // 10 000 000 000 = 19 531 250 x 512 + 0; beyond 32-bit sample counts.
    EXPECT_EQ(CMidiSchedule::Locate(10000000000LL, 512).block, 19531250);
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
    const VstMidiEvent* second = Events(block0)[1];
    EXPECT_EQ(first->deltaFrames, 10);
    EXPECT_EQ(static_cast<unsigned char>(first->midiData[0]), 0xB0);
    EXPECT_EQ(first->midiData[1], 7);
    EXPECT_EQ(first->midiData[2], 100);
    EXPECT_EQ(first->type, kVstMidiType);
    EXPECT_EQ(first->byteSize, static_cast<VstInt32>(sizeof(VstMidiEvent)));
    EXPECT_EQ(second->deltaFrames, 511);
    EXPECT_EQ(second->midiData[1], 11);

    // Block 1 = 512..1023: 512 at offset 0 and 1000 at offset 488.
    VstEvents* block1 = schedule.EventsForBlock(512, 512);
    ASSERT_NE(block1, nullptr);
    ASSERT_EQ(block1->numEvents, 2);
    EXPECT_EQ(Events(block1)[0]->deltaFrames, 0);
    EXPECT_EQ(Events(block1)[1]->deltaFrames, 488);
    EXPECT_EQ(Events(block1)[1]->midiData[1], 1);

    EXPECT_EQ(schedule.EventsForBlock(1024, 512), nullptr);
}

TEST(CMidiScheduleTest, ShortLastBlockAndManyEventsInOneBlock)
{
    CMidiSchedule schedule;
    std::vector<CONTROL_CHANGE> changes;
    for (int i = 0; i < 40; ++i)
    {
        changes.push_back({1030 + i % 3, i, 127 - i}); // more events than VstEvents declares
    }
    schedule.Prepare(changes);
    EXPECT_EQ(schedule.EventsForBlock(0, 512), nullptr);
    EXPECT_EQ(schedule.EventsForBlock(512, 512), nullptr);
    // Last block is 1024..1039 (16 samples).
    VstEvents* last = schedule.EventsForBlock(1024, 16);
    ASSERT_NE(last, nullptr);
    ASSERT_EQ(last->numEvents, 40);
    const std::vector<const VstMidiEvent*> events = Events(last);
    // Stable sort: at equal samples the command-line order is kept.
    EXPECT_EQ(events[0]->deltaFrames, 6);
    EXPECT_EQ(events[0]->midiData[1], 0);
    EXPECT_EQ(events[1]->midiData[1], 3);
    EXPECT_EQ(events[39]->deltaFrames, 8);
}

TEST(CMidiScheduleTest, ParseControlChange)
{
    CONTROL_CHANGE change;
    std::string error;
    ASSERT_TRUE(CMidiSchedule::ParseControlChange("44100:1:64", change, error)) << error;
    EXPECT_EQ(change.sample, 44100);
    EXPECT_EQ(change.controller, 1);
    EXPECT_EQ(change.value, 64);
    ASSERT_TRUE(CMidiSchedule::ParseControlChange("0:127:0", change, error)) << error;
    EXPECT_EQ(change.controller, 127);
    EXPECT_EQ(change.value, 0);
}

TEST(CMidiScheduleTest, ParseControlChangeRefusesBadFields)
{
    const auto refused = [](const char* text, const char* field)
    {
        CONTROL_CHANGE change;
        std::string error;
        EXPECT_FALSE(CMidiSchedule::ParseControlChange(text, change, error)) << text;
        EXPECT_NE(error.find(field), std::string::npos) << text << ": " << error;
    };
    refused("-1:1:64", "SAMPLE");
    refused("abc:1:64", "SAMPLE");
    refused("10:128:64", "CONTROLLER");
    refused("10:-1:64", "CONTROLLER");
    refused("10:1:128", "VALUE");
    refused("10:1:", "VALUE");
    refused("10:1:6x", "VALUE");
    refused("10:1", "SAMPLE:CONTROLLER:VALUE");
    refused("10:1:2:3", "SAMPLE:CONTROLLER:VALUE");
    refused("", "SAMPLE:CONTROLLER:VALUE");
}
