// The download machine against a terminal serving a memory image laid out by the test: the
// pieces asked for, the counters, the retries and their pauses, the end texts and continuing.
#include <gtest/gtest.h>

#include "DownloadRun.h"
#include "ImageTerminal.h"
#include "StreamBuilder.h"

namespace kolmaris {
namespace {

using namespace kolmaris::test;
using namespace kolmaris::testing;
using Payloads = std::vector<std::vector<uint8_t>>;

// Oldest first: two meteo records, an event of element 2, radon records of probes 1 and 3 and
// a spectrum closed by probe 1's second record.
std::vector<Bytes> SomeRecords()
{
    const uint32_t t = 794'916'000;
    return {Meteo(t, 990),        ElementEvent(2, 0xFF, (t + 60) & 0xFFF),
            Radon(0, t + 100, 7), Radon(2, t + 200, 9),
            Meteo(t + 900, 991),  Radon(0, t + 3700, 8),
            SpectrumData(0, 40),  TerminalEvent(12, (t + 3800) & 0xFFF)};
}

void ExpectSomeRecords(const TDataStore& store)
{
    EXPECT_EQ(store.LocRecordCount(), 2);
    EXPECT_EQ(store.DiaEventCount(), 2);
    EXPECT_EQ(store.RadonRecordCount(0), 2);
    EXPECT_EQ(store.RadonRecordCount(2), 1);
    EXPECT_EQ(store.TotalRadonRecords(), 3);
    EXPECT_EQ(store.SpectrumCount(0), 1);
    EXPECT_EQ(store.TotalSpectra(), 1);
    RadonRecord newest{};
    ASSERT_EQ(store.GetRadonRecord(0, 0, newest), 0u);
    const Bytes expected = Radon(0, 794'916'000 + 3700, 8);
    EXPECT_TRUE(std::equal(newest.begin(), newest.end(), expected.begin()));
    EXPECT_EQ(store.GetSpectrumChannel(0, 0, 95), 40 + 95);
}

std::string CleanContents(uint32_t pointer, uint8_t sync)
{
    ImageTerminal clean;
    clean.LayBelowPointer(pointer, SomeRecords(), sync);
    TerminalDownload d;
    TDataStore store;
    d.Start();
    RunDownload(d, clean.Link(), store);
    EXPECT_EQ(d.Outcome(), DownloadOutcome::Completed);
    return Contents(store);
}

TEST(TerminalDownload, ReadsBackwardsFromThePointerInAlignedPieces)
{
    ImageTerminal t;
    t.LayBelowPointer(0x123, SomeRecords(), 0xFF);
    TerminalDownload d;
    TDataStore store;
    d.Start();

    // Step 0: recording off and the pointer; then the first piece, 0x120..0x123.
    EXPECT_EQ(d.Tick(t.Link(), store), 10u);
    EXPECT_EQ(t.Commands(), (Payloads{{0xBE, 0x2D}, {0x3E}}));
    EXPECT_FALSE(t.recordingOn);
    EXPECT_EQ(d.ReadState(), 1);
    EXPECT_EQ(d.Tick(t.Link(), store), 10u);
    EXPECT_EQ(t.Reads(), (Payloads{{0xE3, 0x01, 0x20}}));
    EXPECT_EQ(d.BytesTotal(), 0x124);
    EXPECT_EQ(d.ProgressText(), "1 % (4 B)");
    d.Tick(t.Link(), store);
    EXPECT_EQ(t.Reads().back(), (std::vector<uint8_t>{0xEF, 0x01, 0x10}));
    EXPECT_EQ(d.BytesRead(), 20);

    const DownloadRun run = RunDownload(d, t.Link(), store);
    EXPECT_EQ(d.Outcome(), DownloadOutcome::Completed);
    EXPECT_FALSE(d.RestoreFailed());
    EXPECT_EQ(t.Commands().back(), (std::vector<uint8_t>{0xBE, 0x2C}));
    EXPECT_TRUE(t.recordingOn);
    EXPECT_EQ(run.pauses, std::vector<uint32_t>(run.pauses.size(), 10u));
    ExpectSomeRecords(store);
    // The records take 197 bytes below the pointer: the end mark is met in the piece 0x50..0x5F.
    EXPECT_EQ(t.Reads().back(), (std::vector<uint8_t>{0xEF, 0x00, 0x50}));
    EXPECT_EQ(d.ProgressText(), "72 % (212 B)");

    // A new run starts over from the pointer with an empty store and new counters.
    ImageTerminal later;
    later.LayBelowPointer(0x2000, {Meteo(794'920'000, 1001)}, 0xFF);
    later.failRecordingOn = 5;
    d.Start();
    RunDownload(d, later.Link(), store);
    EXPECT_TRUE(d.RestoreFailed());
    later.LayBelowPointer(0x3001, {Meteo(794'930'000, 1002)}, 0xFF);
    d.Start();
    RunDownload(d, later.Link(), store);
    EXPECT_FALSE(d.RestoreFailed());
    EXPECT_EQ(d.BytesRead(), 18);
    EXPECT_EQ(store.LocRecordCount(), 1);
    EXPECT_EQ(store.TotalRadonRecords() + store.TotalSpectra() + store.DiaEventCount(), 0);
}

TEST(TerminalDownload, WrapsFromAddressZeroToTheTopNeverFeedingAddressZero)
{
    ImageTerminal t;
    // Records from 0x1FF80 across the top into 0x1..0x48; the ring has wrapped (0x80 at the pointer).
    const auto starts = t.LayBelowPointer(0x49, SomeRecords(), 0x80);
    ASSERT_GT(starts.front(), 0x1F000u);
    ASSERT_EQ(t.memory[0], 0x01);
    TerminalDownload d;
    TDataStore store;
    d.Start();
    RunDownload(d, t.Link(), store);
    EXPECT_EQ(d.Outcome(), DownloadOutcome::Completed);
    EXPECT_EQ(d.BytesTotal(), 0x1FFFF);
    const Payloads reads = t.Reads();
    ASSERT_GE(reads.size(), 7u);
    EXPECT_EQ(reads[0], (std::vector<uint8_t>{0xE9, 0x00, 0x40}));
    EXPECT_EQ(reads[4], (std::vector<uint8_t>{0xEF, 0x00, 0x00}));
    EXPECT_EQ(reads[5], (std::vector<uint8_t>{0xFF, 0xFF, 0xF0}));
    ExpectSomeRecords(store);
    EXPECT_EQ(d.ProgressText(), "0 % (" + std::to_string(d.BytesRead()) + " B)");
}

TEST(TerminalDownload, APieceIsTriedFiveTimesHalfASecondApart)
{
    const std::string clean = CleanContents(0x400, 0xFF);

    // Four failures in a row: the fifth try succeeds and the run completes unchanged.
    ImageTerminal t;
    t.LayBelowPointer(0x400, SomeRecords(), 0xFF);
    TerminalDownload d;
    TDataStore store;
    d.Start();
    d.Tick(t.Link(), store);
    d.Tick(t.Link(), store);
    t.failReads = 4;
    std::vector<uint32_t> pauses;
    for (int i = 0; i < 5; ++i)
        pauses.push_back(d.Tick(t.Link(), store));
    EXPECT_EQ(pauses, (std::vector<uint32_t>{500, 500, 500, 500, 10}));
    EXPECT_EQ(d.AttemptNo(), 0);
    RunDownload(d, t.Link(), store);
    EXPECT_EQ(d.Outcome(), DownloadOutcome::Completed);
    EXPECT_EQ(Contents(store), clean);

    // Five failures: the run stops with recording on again and offers "Continue", which goes on
    // with the store and the counters as they were (no new pointer read) and ends the same.
    ImageTerminal u;
    u.LayBelowPointer(0x400, SomeRecords(), 0xFF);
    d = TerminalDownload();
    TDataStore second;
    d.Start();
    d.Tick(u.Link(), second);
    d.Tick(u.Link(), second);
    d.Tick(u.Link(), second);
    const int bytesBefore = d.BytesRead();
    u.failReads = 5;
    const DownloadRun run = RunDownload(d, u.Link(), second);
    EXPECT_EQ(run.pauses, (std::vector<uint32_t>{500, 500, 500, 500, 10, 10, 10}));
    EXPECT_EQ(d.Outcome(), DownloadOutcome::Suspended);
    EXPECT_EQ(d.EndText(), "Action interrupted. Resolve the problem and click the button 'Continue'..");
    EXPECT_EQ(d.BytesRead(), bytesBefore);
    EXPECT_TRUE(u.recordingOn);
    d.Start();
    RunDownload(d, u.Link(), second);
    EXPECT_EQ(d.Outcome(), DownloadOutcome::Completed);
    EXPECT_EQ(u.Commands(), (Payloads{{0xBE, 0x2D}, {0x3E}, {0xBE, 0x2C}, {0xBE, 0x2D}, {0xBE, 0x2C}}));
    EXPECT_EQ(Contents(second), clean);
    EXPECT_EQ(d.BytesRead(), 0x401 - 0x330);
}

TEST(TerminalDownload, InterruptAndContinueLoseAndRepeatNothing)
{
    const std::string clean = CleanContents(0x1234, 0xFF);
    for (const int at : {1, 3, 9}) {
        ImageTerminal t;
        t.LayBelowPointer(0x1234, SomeRecords(), 0xFF);
        TerminalDownload d;
        TDataStore store;
        d.Start();
        RunDownload(d, t.Link(), store, at);
        EXPECT_EQ(d.Outcome(), DownloadOutcome::Interrupted) << at;
        EXPECT_TRUE(t.recordingOn) << at;
        const int read = d.BytesRead();
        d.Start();
        d.Tick(t.Link(), store);
        EXPECT_EQ(d.BytesRead(), read) << at;
        RunDownload(d, t.Link(), store);
        EXPECT_EQ(d.Outcome(), DownloadOutcome::Completed) << at;
        EXPECT_EQ(Contents(store), clean) << at;
        EXPECT_EQ(d.BytesRead(), 0x1235 - 0x1160) << at;
    }

    // "Clear" after an interruption: the next run starts from the pointer again.
    ImageTerminal t;
    t.LayBelowPointer(0x1234, SomeRecords(), 0xFF);
    TerminalDownload d;
    TDataStore store;
    d.Start();
    RunDownload(d, t.Link(), store, 4);
    d.Clear(store);
    EXPECT_EQ(store.TotalRadonRecords() + store.LocRecordCount() + store.DiaEventCount(), 0);
    d.Start();
    RunDownload(d, t.Link(), store);
    EXPECT_EQ(Contents(store), clean);
    EXPECT_EQ(d.BytesRead(), 0x1235 - 0x1160);
}

TEST(TerminalDownload, BadDataEndsTheRunAndKeepsWhatWasParsed)
{
    ImageTerminal t;
    const auto starts = t.LayBelowPointer(0x800, SomeRecords(), 0xFF);
    // The trailing length of the second meteo record (index 4) becomes 99.
    t.memory[starts[4] + 13] = 99;
    TerminalDownload d;
    TDataStore store;
    d.Start();
    RunDownload(d, t.Link(), store);
    EXPECT_EQ(d.Outcome(), DownloadOutcome::Failed);
    EXPECT_TRUE(t.recordingOn);
    // The three newer records stay: the terminal event, the spectrum and probe 1's newest record.
    EXPECT_EQ(store.DiaEventCount(), 1);
    EXPECT_EQ(store.SpectrumCount(0), 1);
    EXPECT_EQ(store.RadonRecordCount(0), 1);
    EXPECT_EQ(store.LocRecordCount(), 0);
}

TEST(TerminalDownload, FailuresAroundTheReading)
{
    struct Case {
        const char* name;
        void (*arrange)(ImageTerminal&);
        DownloadOutcome outcome;
        bool restoreFailed;
        Payloads commands;
        std::size_t reads;
    };
    const Case cases[] = {
        // Switching recording off gets no answer five times: no reading, and recording is switched
        // on in case only the answer was lost.
        {"off",
         [](ImageTerminal& t) { t.failRecordingOff = 5; },
         DownloadOutcome::Failed,
         false,
         {{0xBE, 0x2D}, {0xBE, 0x2D}, {0xBE, 0x2D}, {0xBE, 0x2D}, {0xBE, 0x2D}, {0xBE, 0x2C}},
         0},
        // No pointer in five tries: recording goes on again, and the run starts over next time.
        {"pointer",
         [](ImageTerminal& t) { t.failPointer = 5; },
         DownloadOutcome::Failed,
         false,
         {{0xBE, 0x2D}, {0x3E}, {0x3E}, {0x3E}, {0x3E}, {0x3E}, {0xBE, 0x2C}},
         0},
        // The terminal reports no pointer: nothing to read.
        {"empty",
         [](ImageTerminal& t) { t.pointer = -1; },
         DownloadOutcome::Failed,
         false,
         {{0xBE, 0x2D}, {0x3E}, {0xBE, 0x2C}},
         0},
        // Recording on again fails four times, then succeeds.
        {"restore 4", [](ImageTerminal& t) { t.failRecordingOn = 4; }, DownloadOutcome::Completed, false,
         Payloads{{0xBE, 0x2D}, {0x3E}, {0xBE, 0x2C}, {0xBE, 0x2C}, {0xBE, 0x2C}, {0xBE, 0x2C}, {0xBE, 0x2C}}, 14},
        // A piece fails five times, then recording on again once: the attempts start anew.
        {"piece",
         [](ImageTerminal& t) {
             t.failReads = 5;
             t.failRecordingOn = 1;
         },
         DownloadOutcome::Suspended, false, Payloads{{0xBE, 0x2D}, {0x3E}, {0xBE, 0x2C}, {0xBE, 0x2C}}, 5},
        // Five times: reported.
        {"restore 5", [](ImageTerminal& t) { t.failRecordingOn = 5; }, DownloadOutcome::Completed, true,
         Payloads{{0xBE, 0x2D}, {0x3E}, {0xBE, 0x2C}, {0xBE, 0x2C}, {0xBE, 0x2C}, {0xBE, 0x2C}, {0xBE, 0x2C}}, 14},
    };
    for (const Case& c : cases) {
        ImageTerminal t;
        t.LayBelowPointer(0xF0, SomeRecords(), 0xFF);
        c.arrange(t);
        TerminalDownload d;
        TDataStore store;
        d.Start();
        RunDownload(d, t.Link(), store);
        EXPECT_EQ(d.Outcome(), c.outcome) << c.name;
        EXPECT_EQ(d.RestoreFailed(), c.restoreFailed) << c.name;
        EXPECT_EQ(t.Commands(), c.commands) << c.name;
        EXPECT_EQ(t.Reads().size(), c.reads) << c.name;
    }

    // Without a pointer the run ends at once and the next run asks for the pointer again.
    ImageTerminal t;
    t.pointer = -1;
    TerminalDownload d;
    TDataStore store;
    d.Start();
    RunDownload(d, t.Link(), store);
    EXPECT_EQ(d.EndText(), "The terminal reports no write pointer: its memory holds no data to read.");
}

TEST(TerminalDownload, StartAndInterruptOnlyActWhenTheyShould)
{
    ImageTerminal t;
    t.LayBelowPointer(0x200, SomeRecords(), 0xFF);
    TerminalDownload d;
    TDataStore store;
    d.Interrupt();  // not running: no effect on the next run
    EXPECT_EQ(d.Tick(t.Link(), store), 0u);
    EXPECT_TRUE(t.terminal.requests.empty());
    d.Start();
    d.Tick(t.Link(), store);
    d.Tick(t.Link(), store);
    const int address = d.ReadAddress();
    d.Start();  // already running: goes on where it is
    EXPECT_EQ(d.ReadState(), 1);
    d.Tick(t.Link(), store);
    EXPECT_EQ(d.ReadAddress(), address - 16);
    RunDownload(d, t.Link(), store);
    EXPECT_EQ(d.Outcome(), DownloadOutcome::Completed);
    ExpectSomeRecords(store);
}

}  // namespace
}  // namespace kolmaris
