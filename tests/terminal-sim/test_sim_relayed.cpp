// Relayed IQRF and element requests of the program against the simulated terminal.
#include "SimLink.h"
#include "TerminalCommands.h"

#include <gtest/gtest.h>

#include <string>

using namespace kolmaris;
using kolmaris::testing::QuietScenario;
using kolmaris::testing::SimLink;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr uint8_t kNoAnswer = 0xFF;

std::string Text(const Bytes& data, std::size_t from)
{
    std::string s;
    for (std::size_t i = from; i < data.size() && data[i] != 0; ++i)
        s += static_cast<char>(data[i]);
    return s;
}

uint16_t RecordPointer(const Bytes& d)
{
    return static_cast<uint16_t>(d[13] | (d[18] & 0x1F) << 8);
}

uint16_t SpectrumPointer(const Bytes& d)
{
    return static_cast<uint16_t>(d[14] | ((d[18] >> 5) & 0x03) << 8);
}

}  // namespace

TEST(SimRelayed, CoordinatorRequests)
{
    SimLink s(QuietScenario());
    const Bytes map = s.Ask([](StepLink& l) { return RequestBondingMap(l, Network::Local, 0); });
    ASSERT_EQ(map.size(), 5u);
    EXPECT_EQ(map[1], 5);     // bonds
    EXPECT_EQ(map[2], 0x3E);  // addresses 1..5
    EXPECT_EQ(map[3], 0x00);
    EXPECT_GT(map[0] & 0x7F, 0);

    uint8_t value = 0;
    ASSERT_EQ(ReadCoordinatorRouting(s.link, value), 0u);
    EXPECT_EQ(value, 2);
    ASSERT_EQ(WriteCoordinatorRouting(s.link, 5), 0u);
    ASSERT_EQ(ReadCoordinatorRouting(s.link, value), 0u);
    EXPECT_EQ(value, 5);
    ASSERT_EQ(ReadLocalRssi(s.link, value), 0u);
    EXPECT_GT(value, 0);

    EXPECT_EQ(s.Ask([](StepLink& l) { return RequestReadChannel(l, Network::Local, 0); }), (Bytes{map[0], 0, 52}));
    EXPECT_EQ(s.Ask([](StepLink& l) { return RequestReadPower(l, Network::Local, 100); }).at(2), 7);
    EXPECT_EQ(s.Ask([](StepLink& l) { return RequestReadIqrfMode(l, Network::Local, 0); }).at(2), 0);
    const Bytes info = s.Ask([](StepLink& l) { return RequestNodeInfo(l, Network::Local, 0); });
    ASSERT_EQ(info.size(), 12u);
    EXPECT_EQ(info[1], 0x01);
    EXPECT_EQ(Text(s.Ask([](StepLink& l) { return RequestReadCaption(l, Network::Local, 0); }), 2), "Terminal");
    EXPECT_EQ(s.Ask([](StepLink& l) { return RequestRssi(l, Network::Local, 0); }).size(), 2u);

    // Power: RAM at once, EEPROM after a reset.
    EXPECT_EQ(s.Ask([](StepLink& l) { return RequestWritePower(l, Network::Local, 100, 4); }).at(1), 0);
    EXPECT_EQ(s.Ask([](StepLink& l) { return RequestStorePower(l, Network::Local, 100, 6); }).at(1), 0);
    EXPECT_EQ(s.Ask([](StepLink& l) { return RequestReadPower(l, Network::Local, 0); }).at(2), 4);
    EXPECT_EQ(s.Ask([](StepLink& l) { return RequestNodeReset(l, Network::Local, 0); }).at(1), 0);
    EXPECT_EQ(s.Ask([](StepLink& l) { return RequestReadPower(l, Network::Local, 0); }).at(2), 6);
    EXPECT_EQ(s.Ask([](StepLink& l) { return RequestWritePower(l, Network::Local, 0, 8); }).at(1), 0xF4);
}

TEST(SimRelayed, CompletionAfterPollsAndEmptySlot)
{
    auto scenario = QuietScenario();
    scenario.faults.pollsBeforeCompletion = 3;
    SimLink s(scenario);

    RelayedAnswer answer;
    ASSERT_EQ(PollRelayedReply(s.link, answer), 0u);
    EXPECT_EQ(answer.error, 0x86);  // nothing requested yet

    int polls = 0;
    ASSERT_EQ(s.Exchange([](StepLink& l) { return RequestBondingMap(l, Network::Local, 0); }, answer, &polls), 0u);
    EXPECT_EQ(polls, 4);
    EXPECT_TRUE(answer.complete);
    EXPECT_EQ(answer.length, 5);
    // The answer stays until the next request.
    RelayedAnswer again;
    ASSERT_EQ(PollRelayedReply(s.link, again), 0u);
    EXPECT_TRUE(again.complete);
    EXPECT_EQ(again.data, answer.data);
}

TEST(SimRelayed, MeshNodeRequests)
{
    auto scenario = QuietScenario();
    scenario.elements[1].inRange = false;
    SimLink s(scenario);

    const Bytes info = s.Ask([](StepLink& l) { return RequestNodeInfo(l, Network::Mesh, 1); });
    ASSERT_EQ(info.size(), 12u);
    EXPECT_EQ(info[1], 0x20);
    EXPECT_EQ(info[8] & 1, 1);
    EXPECT_EQ(info[9], 1);
    EXPECT_EQ(Text(s.Ask([](StepLink& l) { return RequestReadCaption(l, Network::Mesh, 1); }), 2), "Cellar");
    const Bytes rssi = s.Ask([](StepLink& l) { return RequestRssi(l, Network::Mesh, 1); });
    ASSERT_EQ(rssi.size(), 2u);
    EXPECT_EQ(rssi[1], 0);
    EXPECT_NEAR(rssi[0], 46, 3);

    // Power: RAM at once, the stored value after a reset of the node.
    EXPECT_EQ(s.Ask([](StepLink& l) { return RequestWritePower(l, Network::Mesh, 4, 3); }).at(1), 0);
    EXPECT_EQ(s.Ask([](StepLink& l) { return RequestStorePower(l, Network::Mesh, 4, 5); }).at(1), 0);
    EXPECT_EQ(s.Ask([](StepLink& l) { return RequestReadPower(l, Network::Mesh, 4); }).at(2), 3);
    EXPECT_EQ(s.Ask([](StepLink& l) { return RequestNodeReset(l, Network::Mesh, 4); }).at(1), 0);
    EXPECT_EQ(s.Ask([](StepLink& l) { return RequestReadPower(l, Network::Mesh, 4); }).at(2), 5);
    EXPECT_EQ(s.Ask([](StepLink& l) { return RequestReadChannel(l, Network::Mesh, 5); }).at(2), 52);

    // Out of range: the coordinator reports that no answer came; no bond at all: bad address.
    EXPECT_EQ(s.Ask([](StepLink& l) { return RequestRssi(l, Network::Mesh, 2); }), (Bytes{0, kNoAnswer}));
    EXPECT_EQ(s.Ask([](StepLink& l) { return RequestElementData(l, 2); }), (Bytes{0, kNoAnswer}));
    EXPECT_EQ(s.Ask([](StepLink& l) { return RequestNodeInfo(l, Network::Mesh, 9); }).at(1), 0xF1);

    // An element moved off the terminal's channel (RAM only) is lost until it is reset.
    EXPECT_EQ(s.Ask([](StepLink& l) { return RequestWriteChannel(l, Network::Mesh, 3, 40); }).at(1), 0);
    EXPECT_EQ(s.Ask([](StepLink& l) { return RequestElementData(l, 3); }), (Bytes{0, kNoAnswer}));
    EXPECT_EQ(s.Ask([](StepLink& l) { return RequestNodeReset(l, Network::Mesh, 255); }).at(1), 0);
    EXPECT_EQ(s.Ask([](StepLink& l) { return RequestElementData(l, 3); }), (Bytes{0, kNoAnswer}));
    EXPECT_EQ(s.Ask([](StepLink& l) { return RequestWriteChannel(l, Network::Local, 0, 40); }).at(1), 0);
    EXPECT_EQ(s.Ask([](StepLink& l) { return RequestNodeReset(l, Network::P2p, 0x22); }).at(1), 0);
    EXPECT_EQ(s.Ask([](StepLink& l) { return RequestWriteChannel(l, Network::Local, 0, 52); }).at(1), 0);
    EXPECT_EQ(s.Ask([](StepLink& l) { return RequestElementData(l, 3); }).size(), 19u);
}

TEST(SimRelayed, AddBondFindsTheWaitingElementAndBondsIt)
{
    SimLink s(QuietScenario());
    auto ask = [&s](auto send) { return s.Ask(send); };

    // Nothing answers a broadcast on the terminal's own channel: every element there is bonded.
    EXPECT_EQ(ask([](StepLink& l) { return RequestNodeInfo(l, Network::P2p, 255); }).size(), 2u);

    int foundOn = -1;
    Bytes found;
    for (uint8_t channel = 15; channel <= 20 && foundOn < 0; ++channel) {
        ASSERT_EQ(ask([channel](StepLink& l) { return RequestWriteChannel(l, Network::Local, 0, channel); }).at(1), 0);
        found = ask([](StepLink& l) { return RequestNodeInfo(l, Network::P2p, 255); });
        if (found.size() == 12)
            foundOn = channel;
    }
    ASSERT_EQ(foundOn, 17);
    const uint8_t p2p = found[1] & 0x7F;
    EXPECT_EQ(p2p, 0x2A);
    EXPECT_EQ(found[8] & 1, 0);
    EXPECT_EQ(Text(ask([p2p](StepLink& l) { return RequestReadCaption(l, Network::P2p, p2p); }), 2), "New probe");

    // The terminal refuses a bond with nobody asking for one, and an address in use.
    EXPECT_EQ(ask([](StepLink& l) { return RequestBond(l, Network::Local, 0, 6); }).at(1), kNoAnswer);
    const Bytes request = ask([p2p](StepLink& l) { return RequestBond(l, Network::P2p, p2p, 0); });
    ASSERT_EQ(request.size(), 2u);
    EXPECT_EQ(request[1], 0);
    EXPECT_EQ(ask([](StepLink& l) { return RequestBond(l, Network::Local, 0, 3); }).at(1), 0xF1);
    EXPECT_EQ(ask([](StepLink& l) { return RequestBond(l, Network::Local, 0, 6); }).at(1), 0);

    const Bytes check = ask([p2p](StepLink& l) { return RequestNodeInfo(l, Network::P2p, p2p); });
    ASSERT_EQ(check.size(), 12u);
    EXPECT_EQ(check[8] & 1, 1);
    EXPECT_EQ(check[9], 6);
    EXPECT_EQ(ask([](StepLink& l) { return RequestStoreChannel(l, Network::Mesh, 6, 52); }).at(1), 0);
    EXPECT_EQ(ask([](StepLink& l) { return RequestWriteChannel(l, Network::Mesh, 6, 52); }).at(1), 0);
    EXPECT_EQ(ask([](StepLink& l) { return RequestWriteChannel(l, Network::Local, 0, 52); }).at(1), 0);

    const Bytes map = ask([](StepLink& l) { return RequestBondingMap(l, Network::Local, 0); });
    EXPECT_EQ(map.at(1), 6);
    EXPECT_EQ(map.at(2), 0x7E);
    EXPECT_EQ(ask([](StepLink& l) { return RequestElementData(l, 6); }).size(), 19u);
    // Bonded, but without a function the terminal does not query it.
    uint8_t function = 9;
    ASSERT_EQ(ReadElementKind(s.link, 6, function), 0u);
    EXPECT_EQ(function, 0);
}

TEST(SimRelayed, RemoveBondAndRebondElsewhere)
{
    SimLink s(QuietScenario());
    auto ask = [&s](auto send) { return s.Ask(send); };

    EXPECT_EQ(ask([](StepLink& l) { return RequestUnbond(l, Network::P2p, 0x22, 3); }).at(1), 0);
    ASSERT_EQ(SetElementFunction(s.link, 3, 0), 0u);
    EXPECT_EQ(ask([](StepLink& l) { return RequestUnbond(l, Network::Local, 0, 3); }).at(1), 0);
    EXPECT_EQ(ask([](StepLink& l) { return RequestBondingMap(l, Network::Local, 0); }).at(2), 0x36);
    EXPECT_EQ(ask([](StepLink& l) { return RequestElementData(l, 3); }).at(1), 0xF1);

    // Now unbonded on the terminal's channel, it answers a broadcast.
    const Bytes found = ask([](StepLink& l) { return RequestNodeInfo(l, Network::P2p, 255); });
    ASSERT_EQ(found.size(), 12u);
    EXPECT_EQ(found[1], 0x22);

    // Remove all bonds in the terminal.
    EXPECT_EQ(ask([](StepLink& l) { return RequestUnbond(l, Network::Local, 0, 0); }).at(1), 0);
    const Bytes map = ask([](StepLink& l) { return RequestBondingMap(l, Network::Local, 0); });
    EXPECT_EQ(map.at(1), 0);
    EXPECT_EQ(map.at(2), 0);
}

TEST(SimRelayed, ChannelAndModeChangeOfTheWholeMesh)
{
    SimLink s(QuietScenario());
    auto ask = [&s](auto send) { return s.Ask(send); };
    for (uint8_t a = 5; a >= 1; --a)
        EXPECT_EQ(ask([a](StepLink& l) { return RequestStoreChannel(l, Network::Mesh, a, 30); }).at(1), 0) << +a;
    EXPECT_EQ(ask([](StepLink& l) { return RequestStoreChannel(l, Network::Local, 100, 30); }).at(1), 0);
    // Stored, not yet in force.
    EXPECT_EQ(ask([](StepLink& l) { return RequestReadChannel(l, Network::Local, 0); }).at(2), 52);
    EXPECT_EQ(ask([](StepLink& l) { return RequestNodeReset(l, Network::Mesh, 255); }).at(1), 0);
    EXPECT_EQ(ask([](StepLink& l) { return RequestElementData(l, 1); }).at(1), kNoAnswer);  // gone ahead to 30
    EXPECT_EQ(ask([](StepLink& l) { return RequestNodeReset(l, Network::Local, 0); }).at(1), 0);
    EXPECT_EQ(ask([](StepLink& l) { return RequestReadChannel(l, Network::Local, 0); }).at(2), 30);
    EXPECT_EQ(s.terminal.Channel(), 30);
    EXPECT_EQ(ask([](StepLink& l) { return RequestElementData(l, 1); }).size(), 19u);

    // IQRF mode the same way; an element left on the old mode is not heard.
    for (uint8_t a : {5, 4, 3, 1})
        EXPECT_EQ(ask([a](StepLink& l) { return RequestStoreIqrfMode(l, Network::Mesh, a, 2); }).at(1), 0);
    EXPECT_EQ(ask([](StepLink& l) { return RequestStoreIqrfMode(l, Network::Local, 100, 2); }).at(1), 0);
    EXPECT_EQ(ask([](StepLink& l) { return RequestNodeReset(l, Network::Mesh, 255); }).at(1), 0);
    EXPECT_EQ(ask([](StepLink& l) { return RequestNodeReset(l, Network::Local, 0); }).at(1), 0);
    EXPECT_EQ(ask([](StepLink& l) { return RequestReadIqrfMode(l, Network::Local, 0); }).at(2), 2);
    EXPECT_EQ(ask([](StepLink& l) { return RequestElementData(l, 1); }).size(), 19u);
    EXPECT_EQ(ask([](StepLink& l) { return RequestElementData(l, 2); }).at(1), kNoAnswer);
}

TEST(SimRelayed, ProbeDataRecordsAndSpectra)
{
    SimLink s(QuietScenario(2.0));  // 48 hourly records, 6 closed spectra per probe
    auto ask = [&s](auto send) { return s.Ask(send); };

    const Bytes data = ask([](StepLink& l) { return RequestElementData(l, 1); });
    ASSERT_EQ(data.size(), 19u);
    EXPECT_EQ(data[1], 3);
    EXPECT_EQ(RecordPointer(data), 48);
    EXPECT_EQ(SpectrumPointer(data), 6);
    EXPECT_NEAR((data[15] << 8 | data[16]) * 0.001, 3.58, 0.01);

    // The newest record and the newest closed spectrum are those the terminal stored.
    Bytes newestRecord, newestSpectrum;
    for (const auto& r : s.terminal.RecordsInMemory()) {
        if (r.kind == MemoryRecordInfo::Kind::Radon && r.bytes[0] == 0)
            newestRecord = r.bytes;
        if (r.kind == MemoryRecordInfo::Kind::Spectrum && r.bytes[0] == 0)
            newestSpectrum = r.bytes;
    }
    ASSERT_EQ(newestRecord.size(), 18u);
    const Bytes record = ask([](StepLink& l) { return RequestRecord(l, 1, 47); });
    ASSERT_EQ(record.size(), 18u);
    EXPECT_TRUE(std::equal(record.begin() + 1, record.end(), newestRecord.begin() + 1));
    EXPECT_EQ(ask([](StepLink& l) { return RequestRecord(l, 1, 4096); }).at(1), 0xF4);

    ASSERT_EQ(newestSpectrum.size(), 97u);
    Bytes channels;
    for (uint8_t part = 0; part < 6; ++part) {
        const Bytes piece = ask([part](StepLink& l) { return RequestSpectrumPart(l, 1, 5, part); });
        ASSERT_EQ(piece.size(), 17u);
        channels.insert(channels.end(), piece.begin() + 1, piece.end());
    }
    EXPECT_TRUE(std::equal(channels.begin(), channels.end(), newestSpectrum.begin() + 1));
    EXPECT_EQ(ask([](StepLink& l) { return RequestSpectrumPart(l, 1, 5, 6); }).at(1), 0xF4);

    // Clock and total counts; set the clock, clear both memories.
    const Bytes clock = ask([](StepLink& l) { return RequestProbeTime(l, 2); });
    ASSERT_EQ(clock.size(), 9u);
    EXPECT_EQ(static_cast<uint32_t>(clock[1] << 24 | clock[2] << 16 | clock[3] << 8 | clock[4]), s.terminal.Time());
    EXPECT_EQ(ask([](StepLink& l) { return RequestProbeControl(l, 2, 0x08, 700000000); }).at(1), 0);
    const Bytes set = ask([](StepLink& l) { return RequestProbeTime(l, 2); });
    EXPECT_NEAR(static_cast<double>(set[1] << 24 | set[2] << 16 | set[3] << 8 | set[4]), 700000000.0, 2.0);
    EXPECT_EQ(ask([](StepLink& l) { return RequestProbeControl(l, 2, 0x03, 0); }).at(1), 0);
    const Bytes cleared = ask([](StepLink& l) { return RequestElementData(l, 2); });
    EXPECT_EQ(RecordPointer(cleared), 0);
    EXPECT_EQ(SpectrumPointer(cleared), 0);

    // Element commands a repeater does not know.
    EXPECT_EQ(ask([](StepLink& l) { return RequestRecord(l, 5, 0); }).at(1), 0xF3);
}

TEST(SimRelayed, ProbeParametersAndClockWithoutCounts)
{
    auto scenario = QuietScenario();
    scenario.elements[2].probe.reportsTotalCounts = false;
    SimLink s(scenario);
    auto ask = [&s](auto send) { return s.Ask(send); };

    const Bytes params = ask([](StepLink& l) { return RequestProbeParameters(l, 1); });
    ASSERT_EQ(params.size(), 10u);
    EXPECT_EQ(Bytes(params.begin() + 1, params.end()), (Bytes{12, 31, 64, 0x07, 0x3A, 0x01, 0x2C, 128, 60}));

    const Bytes written = ask([](StepLink& l) { return WriteProbeParameters(l, 1, 10, 20, 95, 4464, 500, 100, 30); });
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[1], 0);
    const Bytes reread = ask([](StepLink& l) { return RequestProbeParameters(l, 1); });
    ASSERT_EQ(reread.size(), 10u);
    EXPECT_EQ(Bytes(reread.begin() + 1, reread.end()), (Bytes{10, 20, 95, 0x11, 0x70, 0x01, 0xF4, 100, 30}));
    // Out of the probe's range: refused, nothing changes.
    EXPECT_EQ(ask([](StepLink& l) { return WriteProbeParameters(l, 1, 96, 20, 30, 1, 1, 1, 30); }).at(1), 0xF4);
    EXPECT_EQ(ask([](StepLink& l) { return WriteProbeParameters(l, 1, 10, 20, 30, 1, 1, 1, 0); }).at(1), 0xF4);
    const Bytes after = ask([](StepLink& l) { return RequestProbeParameters(l, 1); });
    ASSERT_EQ(after.size(), 10u);
    EXPECT_EQ(Bytes(after.begin() + 1, after.end()), Bytes(reread.begin() + 1, reread.end()));

    EXPECT_EQ(ask([](StepLink& l) { return RequestProbeTime(l, 3); }).size(), 5u);
    EXPECT_EQ(ask([](StepLink& l) { return RequestProbeParameters(l, 4); }).at(1), 0xF3);
}

TEST(SimRelayed, ActuatorModeAndRelayFailure)
{
    auto scenario = QuietScenario();
    SimLink s(scenario);
    auto ask = [&s](auto send) { return s.Ask(send); };

    const Bytes data = ask([](StepLink& l) { return RequestActuatorData(l, 4); });
    ASSERT_EQ(data.size(), 19u);
    EXPECT_EQ(data[17] & 0x03, 0x02);  // Auto
    const Bytes on = ask([](StepLink& l) { return SetActuatorMode(l, 4, 1); });
    ASSERT_EQ(on.size(), 4u);
    EXPECT_EQ(on[1], 0);
    EXPECT_EQ(on[3], 0x09);  // commanded on, relay on
    EXPECT_EQ(ask([](StepLink& l) { return SetActuatorMode(l, 4, 0); }).at(3), 0x00);
    EXPECT_EQ(ask([](StepLink& l) { return SetActuatorMode(l, 1, 1); }).at(1), 0xF3);

    scenario.elements[3].actuator.relayFailure = true;
    SimLink f(scenario);
    EXPECT_EQ(f.Ask([](StepLink& l) { return SetActuatorMode(l, 4, 1); }).at(3), 0x01);  // on demanded, contact open
}

TEST(SimRelayed, InjectedAnswerFaults)
{
    auto scenario = QuietScenario();
    scenario.faults.answerFaults = {
        {AnswerFaultKind::Busy, 1, 0x65, 2},
        {AnswerFaultKind::WrongLength, 0xFF, 0xD1, 1},
        {AnswerFaultKind::Invalid, 2, -1, 1},
        {AnswerFaultKind::Refused, 4, 0x8D, -1},
    };
    SimLink s(scenario);
    auto ask = [&s](auto send) { return s.Ask(send); };

    EXPECT_EQ(ask([](StepLink& l) { return RequestProbeParameters(l, 1); }).at(1), 0xFE);
    EXPECT_EQ(ask([](StepLink& l) { return RequestProbeParameters(l, 1); }).at(1), 0xFE);
    EXPECT_EQ(ask([](StepLink& l) { return RequestProbeParameters(l, 1); }).size(), 10u);

    EXPECT_EQ(ask([](StepLink& l) { return RequestElementData(l, 3); }).size(), 18u);
    EXPECT_EQ(ask([](StepLink& l) { return RequestElementData(l, 3); }).size(), 19u);

    RelayedAnswer answer;
    ASSERT_EQ(s.Exchange([](StepLink& l) { return RequestProbeTime(l, 2); }, answer), 0u);
    EXPECT_EQ(answer.error, 2);  // status 0x7F: no valid answer
    EXPECT_EQ(ask([](StepLink& l) { return RequestProbeTime(l, 2); }).size(), 9u);

    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(ask([](StepLink& l) { return SetActuatorMode(l, 4, 1); }).at(1), 0xF4);
}

TEST(SimRelayed, ElementBondedInAnotherMeshMustBeUnbondedFirst)
{
    auto scenario = QuietScenario();
    scenario.elements[5].foreignMeshAddress = 9;  // the waiting probe on channel 17
    SimLink s(scenario);
    auto ask = [&s](auto send) { return s.Ask(send); };

    ASSERT_EQ(ask([](StepLink& l) { return RequestWriteChannel(l, Network::Local, 0, 17); }).at(1), 0);
    const Bytes found = ask([](StepLink& l) { return RequestNodeInfo(l, Network::P2p, 255); });
    ASSERT_EQ(found.size(), 12u);
    EXPECT_EQ(found[8] & 1, 1);
    EXPECT_EQ(found[9], 9);
    EXPECT_EQ(ask([](StepLink& l) { return RequestBond(l, Network::P2p, 0x2A, 0); }).at(1), 0xF3);
    EXPECT_EQ(ask([](StepLink& l) { return RequestUnbond(l, Network::P2p, 0x2A, 9); }).at(1), 0);
    EXPECT_EQ(ask([](StepLink& l) { return RequestBond(l, Network::P2p, 0x2A, 0); }).at(1), 0);
    EXPECT_EQ(ask([](StepLink& l) { return RequestBond(l, Network::Local, 0, 16); }).at(1), 0);
    EXPECT_EQ(ask([](StepLink& l) { return RequestNodeInfo(l, Network::Mesh, 16); }).at(9), 16);
}
