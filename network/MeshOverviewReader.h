// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reads the MESH configuration: the coordinator's number of hops and channel, then for every
// bonded element its function, RF power with RSSI, supply voltage and P2P address, and the
// terminal's power, voltage and P2P address. One STEP transaction per Tick (the overview
// window's 200 ms ProcesTimer, or a loop in the command-line tool). Values go into the model's
// ElementTable; what a window shows meanwhile comes through the events.
//
//   MeshOverviewReader reader;
//   reader.Start(addresses, attemptCount);
//   while (reader.Tick(link, model) == MeshOverviewReader::Tick::Running) { ... }
//   reader.ReadFailed(), reader.RowComplete(address), reader.Rssi(address)

#include "MeasuringSystem.h"
#include "RelayedRequests.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kolmaris {

// The cells of a row that the read fills with a text ("?" while it is being read).
enum class OverviewCell { Channel, Power, Rssi, Voltage, P2p };

// What a read stores when answers kept the wrong length.
inline constexpr float kUnknownVoltage = 1000.0f;

// The signal strength an RSSI level (0..127) of the radio stands for, in dBm.
inline int RssiDbm(uint8_t level)
{
    return static_cast<int>(level & 0x7F) - 130;
}

struct OverviewRssi {
    uint8_t element = 0;             // how the element heard the request
    std::optional<uint8_t> local;    // how the terminal's side hears it; empty when unread
};

class MeshOverviewReader {
public:
    enum class TickResult { Running, Finished, ProtocolError };

    struct Events {
        std::function<void(const std::string&)> progress;
        // `address` 0 is the terminal's row.
        std::function<void(uint8_t address, OverviewCell cell, const std::string& text)> cell;
        // A function code as read (0..7); codes above 3 select nothing.
        std::function<void(uint8_t address, uint8_t function)> function;
        // The row being read (lime) or no longer.
        std::function<void(uint8_t address, bool on)> highlight;
        std::function<void(uint8_t hops)> hops;
    };
    Events events;

    // `addresses`: the bonded MESH addresses, ascending. `attemptCount`: the limit of failed
    // transactions and of negative answers of each step.
    void Start(std::vector<uint8_t> addresses, int attemptCount);
    TickResult Tick(StepLink& link, MeasuringSystem& model);

    int Step() const { return step_; }
    bool ReadFailed() const { return readFailed_; }
    // The read ended early because the terminal itself stopped answering.
    bool TerminalSilent() const { return terminalSilent_; }
    // Every value of the row was read (address 0: the terminal's).
    bool RowComplete(uint8_t address) const { return address < kTableSlots && !incomplete_[address]; }
    std::optional<uint8_t> Hops() const { return hops_; }
    std::optional<OverviewRssi> Rssi(uint8_t address) const
    {
        return address < kTableSlots ? rssi_[address] : std::nullopt;
    }

    static constexpr int kEnd = 20;

    // "%0.2f V".
    static std::string VoltageText(float volts);

private:
    enum class Answer { Wait, Accepted, Retry, GaveUp };

    // A failed transaction: true when the step gives up.
    bool Failed();
    // Polls the step's answer; `length` is the length of an accepted answer. Retry: the request
    // goes again (step - 1). GaveUp: `wrongLength` tells whether the last answer was too short
    // or too long.
    Answer Poll(StepLink& link, uint8_t length, bool& wrongLength);
    std::string Text(const std::string& text) const;
    void Progress(const std::string& text);
    void Cell(uint8_t address, OverviewCell cell, const std::string& text);
    void GiveUp(uint8_t address);
    // The current row's address, or 0 past the end.
    uint8_t Row() const { return rowNo_ < rows_.size() ? rows_[rowNo_] : 0; }
    // On at `step`; after an element's row with the next row.
    void Next(uint8_t address, int step);
    // A send step's result. Sent: on to its poll step. Failed at the limit: the row is given up,
    // on at `failStep`.
    void AfterSend(uint32_t result, uint8_t address, int failStep);
    // A send step over the element rows: past the last, on at `afterRows`; else `cell` shows "?"
    // and `progress` (with the address) while `request` goes to the row's element.
    void SendRow(OverviewCell cell, const char* progress, int afterRows,
                 const std::function<uint32_t(uint8_t)>& request);
    // A poll step. True when accepted (the caller takes the answer), on at `next`. Refused: the
    // request goes again. Given up: `wrongLength` runs when the answers kept the wrong length, the
    // row is given up, on at `failStep`.
    bool PollStep(StepLink& link, uint8_t address, uint8_t length, int next, int failStep,
                  const std::function<void()>& wrongLength = {});

    std::vector<uint8_t> rows_;
    int limit_ = 0;
    int step_ = kEnd;
    std::size_t rowNo_ = 0;
    int attemptNo_ = 0;
    int repeatNo_ = 0;
    int incompleteNo_ = 0;
    bool readFailed_ = false;
    bool terminalSilent_ = false;
    std::array<bool, kTableSlots> incomplete_{};
    std::array<std::optional<OverviewRssi>, kTableSlots> rssi_{};
    std::optional<uint8_t> hops_;
    RelayedAnswer answer_;
};

}  // namespace kolmaris
