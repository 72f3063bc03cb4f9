// SPDX-License-Identifier: GPL-3.0-or-later
// The download machine against a terminal serving a memory image laid out by the test: the
// pieces asked for, the counters, the retries and their pauses, the end texts and continuing.
#include <gtest/gtest.h>

#include "ImageTerminal.h"
#include "MemoryDownload.h"
#include "StreamBuilder.h"

namespace kolmaris {
namespace {

using namespace kolmaris::test;
using namespace kolmaris::testing;
using Payloads = std::vector<std::vector<uint8_t>>;

// Oldest first: two meteo records, an event of element 2, radon records of probes 1 and 3 and
// a spectrum closed by probe 1's second record.
const std::vector<Bytes> kRecords = [] {
    const uint32_t t = 794'916'000;
    return std::vector<Bytes>{Meteo(t, 990),        ElementEvent(2, 0xFF, (t + 60) & 0xFFF),
                              Radon(0, t + 100, 7), Radon(2, t + 200, 9),
                              Meteo(t + 900, 991),  Radon(0, t + 3700, 8),
                              SpectrumData(0, 40),  TerminalEvent(12, (t + 3800) & 0xFFF)};
}();

// What the store holds after a complete run.
std::string Clean()
{
    TDataStore store;
    EXPECT_EQ(FeedUntilResult(store, Backwards(kRecords)), 1u);
    return Contents(store);
}

// The records laid below `pointer` and a run started on them.
struct Rig {
    explicit Rig(uint32_t pointer, uint8_t sync = 0xFF)
    {
        starts = t.LayBelowPointer(pointer, kRecords, sync);
        d.Start();
    }
    uint32_t Tick() { return d.Tick(t.Link(), store); }
    DownloadRun Run(int interruptAtTick = -1) { return RunDownload(d, t.Link(), store, interruptAtTick); }

    ImageTerminal t;
    std::vector<uint32_t> starts;
    TerminalDownload d;
    TDataStore store;
};

TEST(TerminalDownload, ReadsBackwardsFromThePointerInAlignedPieces)
{
    Rig r(0x123);
    // Step 0: recording off and the pointer; then the first piece, 0x120..0x123.
    EXPECT_EQ(r.Tick(), 10u);
    EXPECT_EQ(r.t.Requests(1), (Payloads{{0xBE, 0x2D}, {0x3E}}));
    EXPECT_FALSE(r.t.recordingOn);
    EXPECT_EQ(r.d.ReadState(), 1);
    EXPECT_EQ(r.Tick(), 10u);
    EXPECT_EQ(r.t.Requests(0), (Payloads{{0xE3, 0x01, 0x20}}));
    EXPECT_EQ(r.d.BytesTotal(), 0x124);
    EXPECT_EQ(r.d.ProgressText(), "1 % (4 B)");
    r.Tick();
    EXPECT_EQ(r.t.Requests(0).back(), (Bytes{0xEF, 0x01, 0x10}));
    EXPECT_EQ(r.d.BytesRead(), 20);

    const DownloadRun run = r.Run();
    EXPECT_EQ(r.d.Outcome(), DownloadOutcome::Completed);
    EXPECT_FALSE(r.d.RestoreFailed());
    EXPECT_EQ(r.t.Requests(1).back(), (Bytes{0xBE, 0x2C}));
    EXPECT_TRUE(r.t.recordingOn);
    EXPECT_EQ(run.pauses, std::vector<uint32_t>(run.pauses.size(), 10u));
    EXPECT_EQ(Contents(r.store), Clean());
    // The records take 197 bytes below the pointer: the end mark is met in the piece 0x50..0x5F.
    EXPECT_EQ(r.t.Requests(0).back(), (Bytes{0xEF, 0x00, 0x50}));
    EXPECT_EQ(r.d.ProgressText(), "72 % (212 B)");

    // A new run starts over from the pointer with an empty store and new counters.
    ImageTerminal later;
    later.LayBelowPointer(0x2000, {Meteo(794'920'000, 1001)}, 0xFF);
    later.failRecordingOn = 5;
    r.d.Start();
    RunDownload(r.d, later.Link(), r.store);
    EXPECT_TRUE(r.d.RestoreFailed());
    later.LayBelowPointer(0x3001, {Meteo(794'930'000, 1002)}, 0xFF);
    r.d.Start();
    RunDownload(r.d, later.Link(), r.store);
    EXPECT_FALSE(r.d.RestoreFailed());
    EXPECT_EQ(r.d.BytesRead(), 18);
    EXPECT_EQ(r.store.LocRecordCount(), 1);
    EXPECT_EQ(r.store.TotalRadonRecords() + r.store.TotalSpectra() + r.store.DiaEventCount(), 0);
}

TEST(TerminalDownload, WrapsFromAddressZeroToTheTopNeverFeedingAddressZero)
{
    // Records from 0x1FF80 across the top into 0x1..0x48; the ring has wrapped (0x80 at the pointer).
    Rig r(0x49, 0x80);
    ASSERT_GT(r.starts.front(), 0x1F000u);
    r.Run();
    EXPECT_EQ(r.d.Outcome(), DownloadOutcome::Completed);
    EXPECT_EQ(r.d.BytesTotal(), 0x1FFFF);
    const Payloads reads = r.t.Requests(0);
    ASSERT_GE(reads.size(), 7u);
    EXPECT_EQ(reads[0], (Bytes{0xE9, 0x00, 0x40}));
    EXPECT_EQ(reads[4], (Bytes{0xEF, 0x00, 0x00}));
    EXPECT_EQ(reads[5], (Bytes{0xFF, 0xFF, 0xF0}));
    EXPECT_EQ(Contents(r.store), Clean());
    EXPECT_EQ(r.d.ProgressText(), "0 % (" + std::to_string(r.d.BytesRead()) + " B)");
}

TEST(TerminalDownload, APieceIsTriedFiveTimesHalfASecondApart)
{
    // Four failures in a row: the fifth try succeeds and the run completes unchanged.
    Rig r(0x400);
    r.Tick();
    r.Tick();
    r.t.failReads = 4;
    std::vector<uint32_t> pauses;
    for (int i = 0; i < 5; ++i)
        pauses.push_back(r.Tick());
    EXPECT_EQ(pauses, (std::vector<uint32_t>{500, 500, 500, 500, 10}));
    EXPECT_EQ(r.d.AttemptNo(), 0);
    r.Run();
    EXPECT_EQ(r.d.Outcome(), DownloadOutcome::Completed);
    EXPECT_EQ(Contents(r.store), Clean());

    // Five failures: the run stops with recording on again and offers "Continue", which goes on
    // with the store and the counters as they were (no new pointer read) and ends the same.
    Rig u(0x400);
    u.Tick();
    u.Tick();
    u.Tick();
    const int bytesBefore = u.d.BytesRead();
    u.t.failReads = 5;
    EXPECT_EQ(u.Run().pauses, (std::vector<uint32_t>{500, 500, 500, 500, 10, 10, 10}));
    EXPECT_EQ(u.d.Outcome(), DownloadOutcome::Suspended);
    EXPECT_EQ(u.d.EndText(), "Action interrupted. Resolve the problem and click the button 'Continue'..");
    EXPECT_EQ(u.d.BytesRead(), bytesBefore);
    EXPECT_TRUE(u.t.recordingOn);
    u.d.Start();
    u.Run();
    EXPECT_EQ(u.d.Outcome(), DownloadOutcome::Completed);
    EXPECT_EQ(u.t.Requests(1), (Payloads{{0xBE, 0x2D}, {0x3E}, {0xBE, 0x2C}, {0xBE, 0x2D}, {0xBE, 0x2C}}));
    EXPECT_EQ(Contents(u.store), Clean());
    EXPECT_EQ(u.d.BytesRead(), 0x401 - 0x330);
}

TEST(TerminalDownload, InterruptAndContinueLoseAndRepeatNothing)
{
    for (const int at : {1, 3, 9}) {
        SCOPED_TRACE(at);
        Rig r(0x1234);
        r.Run(at);
        EXPECT_EQ(r.d.Outcome(), DownloadOutcome::Interrupted);
        EXPECT_TRUE(r.t.recordingOn);
        const int read = r.d.BytesRead();
        r.d.Start();
        r.Tick();
        EXPECT_EQ(r.d.BytesRead(), read);
        r.Run();
        EXPECT_EQ(r.d.Outcome(), DownloadOutcome::Completed);
        EXPECT_EQ(Contents(r.store), Clean());
        EXPECT_EQ(r.d.BytesRead(), 0x1235 - 0x1160);
    }

    // "Clear" after an interruption: the next run starts from the pointer again.
    Rig r(0x1234);
    r.Run(4);
    r.d.Clear(r.store);
    EXPECT_EQ(r.store.TotalRadonRecords() + r.store.LocRecordCount() + r.store.DiaEventCount(), 0);
    r.d.Start();
    r.Run();
    EXPECT_EQ(Contents(r.store), Clean());
    EXPECT_EQ(r.d.BytesRead(), 0x1235 - 0x1160);
}

TEST(TerminalDownload, BadDataEndsTheRunAndKeepsWhatWasParsed)
{
    Rig r(0x800, 0xFF);
    r.t.memory[r.starts[4] + 13] = 99;  // the trailing length of the second meteo record
    r.Run();
    EXPECT_EQ(r.d.Outcome(), DownloadOutcome::Failed);
    EXPECT_TRUE(r.t.recordingOn);
    // The three newer records stay: the terminal event, the spectrum and probe 1's newest record.
    EXPECT_EQ(std::make_tuple(r.store.DiaEventCount(), r.store.SpectrumCount(0), r.store.RadonRecordCount(0),
                              r.store.LocRecordCount()),
              std::make_tuple(1, 1, 1, 0));
}

TEST(TerminalDownload, FailuresAroundTheReading)
{
    const Bytes off{0xBE, 0x2D}, on{0xBE, 0x2C}, ptr{0x3E};
    const struct {
        const char* name;
        int failOff, failPointer, failOn, failReads;  // failPointer -1: the terminal reports none
        DownloadOutcome outcome;
        bool restoreFailed;
        Payloads commands;
        std::size_t reads;
    } cases[] = {
        // Recording off unanswered five times: no reading, and recording is switched on in case
        // only the answer was lost.
        {"off", 5, 0, 0, 0, DownloadOutcome::Failed, false, {off, off, off, off, off, on}, 0},
        {"pointer", 0, 5, 0, 0, DownloadOutcome::Failed, false, {off, ptr, ptr, ptr, ptr, ptr, on}, 0},
        {"no pointer", 0, -1, 0, 0, DownloadOutcome::Failed, false, {off, ptr, on}, 0},
        {"restore 4", 0, 0, 4, 0, DownloadOutcome::Completed, false, {off, ptr, on, on, on, on, on}, 14},
        // A piece fails five times, then recording on again once: the attempts start anew.
        {"piece", 0, 0, 1, 5, DownloadOutcome::Suspended, false, {off, ptr, on, on}, 5},
        {"restore 5", 0, 0, 5, 0, DownloadOutcome::Completed, true, {off, ptr, on, on, on, on, on}, 14},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r(0xF0);
        r.t.failRecordingOff = c.failOff;
        r.t.failPointer = std::max(c.failPointer, 0);
        r.t.pointer = c.failPointer < 0 ? -1 : r.t.pointer;
        r.t.failRecordingOn = c.failOn;
        r.t.failReads = c.failReads;
        r.Run();
        EXPECT_EQ(std::make_tuple(r.d.Outcome(), r.d.RestoreFailed()), std::make_tuple(c.outcome, c.restoreFailed));
        EXPECT_EQ(r.t.Requests(1), c.commands);
        EXPECT_EQ(r.t.Requests(0).size(), c.reads);
    }
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
    t.LayBelowPointer(0x200, kRecords, 0xFF);
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
    EXPECT_EQ(Contents(store), Clean());
}

}  // namespace
}  // namespace kolmaris
