// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything a scenario can say about the simulated terminal, its MESH and the line:
// plain data with sensible defaults. A scenario file fills one of these; DefaultScenario()
// is the system the program's demonstrations run against.

#include "TerminalTime.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kolmaris {

// What an element is built as; it decides what the element answers.
enum class ElementType : uint8_t { Repeater = 1, Actuator = 2, Probe = 3 };

struct EnvironmentSetup {
    double pressureHpa = 986.0;      // the terminal's own sensors, base values;
    double temperatureC = 21.5;      // the readings drift slowly around them
    double humidityPercent = 46.0;
};

struct TerminalSetup {
    TerminalTime startTime = 794'916'000;  // 10.03.2025 10:00:00 on the terminal's clock
    uint16_t firmwareVersion = 0x020E;      // 2.14
    uint8_t channel = 52;                   // RF channel of the coordinator (RAM and EEPROM)
    uint8_t power = 7;                      // RF power 0..7
    uint8_t iqrfMode = 0;                   // 0 STD, 1 XSP, 2 LP, 3 XLP
    uint8_t routingHops = 2;                // coordinator parameter 0xBB, 0..15
    uint8_t p2pAddress = 0x01;              // 7-bit P2P address of the coordinator
    uint8_t rssi = 52;                      // signal strength the coordinator reports, 0..127
    bool acquisitionRunning = true;
    bool recordingOn = true;                // recording into the data memory
    bool sleep = false;
    uint16_t queryPeriod = 900;             // seconds
    uint16_t batteryCycles = 4;             // 1..256 query cycles between actuator/repeater voltage updates
    uint8_t relayMode = 2;                  // 0 Off, 1 On, 2 Auto
    bool relayFailure = false;              // the relay does not follow its demand
    uint32_t relayRadonLevel = 300;         // Bq/m3: in Auto, relays switch on above this
    double supplyVoltage = 3.92;            // volts
    bool chargerConnected = true;
    bool administrator = false;
    bool hostRs232 = true;                  // host channel RS232 (false: USB)
    EnvironmentSetup environment;
    double timeAcceleration = 1.0;          // terminal seconds per second of the driving clock
};

struct ProbeSetup {
    uint8_t discrimination1 = 12;
    uint8_t discrimination2 = 31;
    uint8_t discrimination3 = 64;
    uint16_t calibration = 1850;
    uint16_t limit = 300;
    uint8_t gain = 128;
    uint8_t recordMinutes = 60;    // record time; a spectrum buffer closes every 8 records
    uint32_t radonLevel = 120;     // Bq/m3 around which the measured radon varies
    int recordsPrefill = -1;       // records in the probe's ring at start; -1: as many as the memory pre-fill made
    int spectraPrefill = -1;       // spectrum buffers closed at start; -1: likewise
    uint32_t totalCounts = 1'250'000;
    bool reportsTotalCounts = true;  // clock answer with the total counts (9 data bytes) or without (5)
};

struct ActuatorSetup {
    uint8_t mode = 2;              // 0 Off, 1 On, 2 Auto
    bool relayFailure = false;
};

struct ElementSetup {
    ElementType type = ElementType::Probe;
    uint8_t meshAddress = 0;            // 1..16 when bonded to the terminal; 0: not bonded
    std::optional<uint8_t> function;    // function the terminal assigns; default: the type's code
    uint8_t p2pAddress = 0;             // 7-bit; 0: 0x20 + position in the list
    std::string caption;                // up to 16 characters; empty: derived from type and address
    std::optional<uint8_t> channel;     // RF channel; default: the terminal's
    uint8_t power = 7;                  // 0..7; 8..15: the element reports a level out of range
    std::optional<uint8_t> iqrfMode;    // default: the terminal's
    bool inRange = true;
    uint8_t rssi = 45;                  // signal strength the element reports, 0..127
    uint8_t foreignMeshAddress = 0;     // not bonded: claims a bond in another MESH at this address
    double voltage = 3.6;               // supply voltage, volts
    ProbeSetup probe;
    ActuatorSetup actuator;
};

struct MemorySetup {
    double days = 14.0;      // days of acquisition already recorded at start
    bool wrapped = false;    // keep recording further back until the ring has wrapped
};

// Spoils answers to relayed requests.
enum class AnswerFaultKind : uint8_t {
    Refused,      // complete, length 2, byte 1 = 0xF4
    Busy,         // complete, length 2, byte 1 = 0xFE
    WrongLength,  // the right answer one byte short
    Invalid,      // complete without a valid answer (status 0x7F)
};

struct AnswerFault {
    AnswerFaultKind kind = AnswerFaultKind::Refused;
    uint8_t address = 0;    // target address of the request (MESH, P2P or local); 0xFF: any
    int command = -1;       // IQRF or element command byte; -1: any
    int count = 1;          // answers spoiled; -1: all
};

struct FaultSetup {
    std::vector<uint8_t> refusedCommands;  // terminal opcodes answered with a refusal
    std::vector<AnswerFault> answerFaults;
    int pollsBeforeCompletion = 1;         // polls answered "not complete" before the answer
    double corruptionRate = 0.0;           // per byte on the line, both directions
    double lossRate = 0.0;                 // per byte on the line, both directions
    int64_t stopAnsweringAfter = -1;       // frames answered before the terminal falls silent; -1: never
    int64_t holdRepliesAfter = -1;         // frames answered at once before a stall of the line; -1: never
    uint32_t holdRepliesMs = 1500;         // the stall: replies held back this long, then sent together
    bool holdLosesReplies = false;         // the stall loses the replies instead (a silent terminal)
    bool baudPacing = false;               // deliver at 19200 baud (the pty program's business)
};

struct Scenario {
    std::string name = "default";
    TerminalSetup terminal;
    std::vector<ElementSetup> elements;
    MemorySetup memory;
    FaultSetup faults;
    uint64_t seed = 1;
};

// Three radon probes (1-3), an actuator (4) and a repeater (5) on channel 52, two weeks of
// data in memory; one unbonded probe waits on channel 17 to be found by Add bond.
Scenario DefaultScenario();

}  // namespace kolmaris
