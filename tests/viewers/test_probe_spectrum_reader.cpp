// The probe spectrum reading machine against the simulated terminal: six parts per buffer,
// ring positions, warnings and the progress text.

#include "ProbeReaderRun.h"
#include "ProbeSpectrumReader.h"

#include <gtest/gtest.h>

namespace kolmaris::testing {
namespace {

// The 96 channels of the buffer at a ring position, asked of probe 1 part by part.
std::vector<uint8_t> BufferAt(SimLink& sim, int position)
{
    std::vector<uint8_t> channels;
    for (uint8_t part = 0; part < 6; ++part) {
        const std::vector<uint8_t> data =
            sim.Ask([&](StepLink& l) { return RequestSpectrumPart(l, 1, static_cast<uint16_t>(position), part); });
        EXPECT_EQ(data.size(), 17u);
        if (data.size() == 17)
            channels.insert(channels.end(), data.begin() + 1, data.end());
    }
    return channels;
}

std::vector<uint8_t> StoredChannels(const TDataStore& store, int index)
{
    SpectrumChannels c{};
    EXPECT_EQ(store.GetSpectrumChannels(0, index, c), kStoreDone);
    return {c.begin(), c.end()};
}

TEST(ProbeSpectrumReader, FewerBuffersThanRequestedAreReadDownFromThePointer)
{
    SimLink sim(ProbeRings(40, 4));  // S = 4
    TDataStore store;
    ProbeSpectrumReader reader;
    std::vector<int> numbers;
    reader.events.spectrumRead = [&](int n) { numbers.push_back(n); };
    ASSERT_TRUE(reader.Start(1, 1, 10, 3, false));
    RunReader(reader, sim, store);

    EXPECT_FALSE(reader.Failed());
    EXPECT_EQ(reader.StartPointer(), 4);
    EXPECT_TRUE(reader.LessRecords());
    EXPECT_EQ(reader.Last(), 5);
    EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 4, 5}));
    ASSERT_EQ(store.SpectrumCount(0), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(StoredChannels(store, i), BufferAt(sim, 4 - i)) << "buffer " << i + 1;
    EXPECT_NE(StoredChannels(store, 1), std::vector<uint8_t>(96, 0));
    EXPECT_EQ(reader.StatusText(), "Finished...");
    EXPECT_EQ(reader.Warnings(), std::vector<std::string>{"Memory contains less records then requested."});
}

TEST(ProbeSpectrumReader, WrappedRingContinuesAt511)
{
    SimLink sim(ProbeRings(40, 512));  // S = 0x200: newest at position 0
    TDataStore store;
    ProbeSpectrumReader reader;
    ASSERT_TRUE(reader.Start(1, 1, 3, 3, false));
    RunReader(reader, sim, store);

    EXPECT_EQ(reader.StartPointer(), 0x200);
    EXPECT_TRUE(reader.Warnings().empty());
    ASSERT_EQ(store.SpectrumCount(0), 3);
    EXPECT_EQ(StoredChannels(store, 0), BufferAt(sim, 0));
    EXPECT_EQ(StoredChannels(store, 1), BufferAt(sim, 511));
    EXPECT_EQ(StoredChannels(store, 2), BufferAt(sim, 510));

    // Buffer 512 of a wrapped ring sits just above the newest.
    ASSERT_TRUE(reader.Start(1, 512, 512, 3, false));
    RunReader(reader, sim, store);
    ASSERT_EQ(store.SpectrumCount(0), 1);
    EXPECT_EQ(StoredChannels(store, 0), BufferAt(sim, 1));
}

TEST(ProbeSpectrumReader, ProgressCountsParts)
{
    SimLink sim(ProbeRings(40, 20));
    TDataStore store;
    ProbeSpectrumReader reader;
    ASSERT_TRUE(reader.Start(1, 3, 4, 3, false));
    const ReaderRun run = RunReader(reader, sim, store);

    // Two buffers, twelve parts: 100 - 11/12 * 100 = 8.3 after the first part.
    std::vector<std::string> expected{"", "Reading current pointers.."};
    for (int part = 0; part < 12; ++part)
        expected.push_back("Data recording (done: " + std::to_string((part * 100 + 6) / 12) + "%)");
    expected.insert(expected.end(), {"Pointer checking..", "Finished..."});
    EXPECT_EQ(run.texts, expected);
    EXPECT_EQ(StoredChannels(store, 0), BufferAt(sim, 20 - 2));
}

TEST(ProbeSpectrumReader, BadAnswersAreRetriedThenFail)
{
    Scenario s = ProbeRings(40, 20);
    s.faults.answerFaults.push_back({AnswerFaultKind::WrongLength, 1, 0xB4, 2});
    SimLink sim(s);
    TDataStore store;
    ProbeSpectrumReader reader;
    ASSERT_TRUE(reader.Start(1, 1, 1, 3, false));
    ReaderRun run = RunReader(reader, sim, store);
    EXPECT_FALSE(reader.Failed());
    EXPECT_TRUE(Shown(run, "Data recording (done: 0%) #2"));
    EXPECT_TRUE(Shown(run, "Data recording (done: 0%) #3"));
    EXPECT_EQ(StoredChannels(store, 0), BufferAt(sim, 20));

    Scenario busy = ProbeRings(40, 20);
    busy.faults.answerFaults.push_back({AnswerFaultKind::Busy, 1, 0xB4, -1});
    SimLink busySim(busy);
    ASSERT_TRUE(reader.Start(1, 1, 1, 4, false));
    run = RunReader(reader, busySim, store);
    EXPECT_TRUE(reader.Failed());
    EXPECT_EQ(reader.ErrorCount(), 4);
    EXPECT_TRUE(Shown(run, "Data recording (done: 0%) #4"));
    EXPECT_EQ(reader.StatusText(), "Action failed");
    EXPECT_TRUE(reader.Warnings().empty());
}

}  // namespace
}  // namespace kolmaris::testing
