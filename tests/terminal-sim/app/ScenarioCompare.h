#pragma once
// Field-by-field comparison of two scenarios, for round trips through scenario files.

#include "Scenario.h"

#include <gtest/gtest.h>

#include <tuple>

namespace kolmaris::testing {

inline auto Fields(const TerminalSetup& t)
{
    return std::tie(t.startTime, t.firmwareVersion, t.channel, t.power, t.iqrfMode, t.routingHops, t.p2pAddress,
                    t.rssi, t.acquisitionRunning, t.recordingOn, t.sleep, t.queryPeriod, t.batteryCycles, t.relayMode,
                    t.relayFailure, t.relayRadonLevel, t.chargerConnected, t.administrator, t.hostRs232);
}

inline auto Fields(const ProbeSetup& p)
{
    return std::tie(p.discrimination1, p.discrimination2, p.discrimination3, p.calibration, p.limit, p.gain,
                    p.recordMinutes, p.radonLevel, p.recordsPrefill, p.spectraPrefill, p.totalCounts,
                    p.reportsTotalCounts);
}

inline auto Fields(const ElementSetup& e)
{
    return std::tie(e.type, e.meshAddress, e.function, e.p2pAddress, e.caption, e.channel, e.power, e.iqrfMode,
                    e.inRange, e.rssi, e.foreignMeshAddress, e.actuator.mode, e.actuator.relayFailure);
}

inline auto Fields(const FaultSetup& f)
{
    return std::tie(f.refusedCommands, f.pollsBeforeCompletion, f.stopAnsweringAfter, f.baudPacing);
}

inline auto Fields(const AnswerFault& a)
{
    return std::tie(a.kind, a.address, a.command, a.count);
}

// Values written with ten significant digits come back this close.
inline void ExpectSameScenario(const Scenario& expected, const Scenario& actual)
{
    constexpr double kClose = 1e-9;
    EXPECT_EQ(expected.name, actual.name);
    EXPECT_EQ(expected.seed, actual.seed);
    EXPECT_TRUE(Fields(expected.terminal) == Fields(actual.terminal));
    EXPECT_NEAR(expected.terminal.supplyVoltage, actual.terminal.supplyVoltage, kClose);
    EXPECT_NEAR(expected.terminal.timeAcceleration, actual.terminal.timeAcceleration, kClose);
    EXPECT_NEAR(expected.terminal.environment.pressureHpa, actual.terminal.environment.pressureHpa, kClose);
    EXPECT_NEAR(expected.terminal.environment.temperatureC, actual.terminal.environment.temperatureC, kClose);
    EXPECT_NEAR(expected.terminal.environment.humidityPercent, actual.terminal.environment.humidityPercent, kClose);
    ASSERT_EQ(expected.elements.size(), actual.elements.size());
    for (std::size_t i = 0; i < expected.elements.size(); ++i) {
        const ElementSetup& e = expected.elements[i];
        const ElementSetup& a = actual.elements[i];
        EXPECT_TRUE(Fields(e) == Fields(a)) << "element " << i;
        EXPECT_NEAR(e.voltage, a.voltage, kClose) << "element " << i;
        if (e.type == ElementType::Probe) {
            EXPECT_TRUE(Fields(e.probe) == Fields(a.probe)) << "element " << i;
        }
    }
    EXPECT_NEAR(expected.memory.days, actual.memory.days, kClose);
    EXPECT_EQ(expected.memory.wrapped, actual.memory.wrapped);
    EXPECT_TRUE(Fields(expected.faults) == Fields(actual.faults));
    EXPECT_NEAR(expected.faults.corruptionRate, actual.faults.corruptionRate, kClose);
    EXPECT_NEAR(expected.faults.lossRate, actual.faults.lossRate, kClose);
    ASSERT_EQ(expected.faults.answerFaults.size(), actual.faults.answerFaults.size());
    for (std::size_t i = 0; i < expected.faults.answerFaults.size(); ++i)
        EXPECT_TRUE(Fields(expected.faults.answerFaults[i]) == Fields(actual.faults.answerFaults[i])) << i;
}

}  // namespace kolmaris::testing
