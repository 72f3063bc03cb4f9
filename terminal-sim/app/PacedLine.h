// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One direction of the serial line. Paced, a byte arrives only once the line has carried
// it: back to back at 19200 baud, 8N1, that is one byte every 1/1920 s. Unpaced, bytes
// arrive as soon as they are sent.

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

namespace kolmaris {

class PacedLine {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    // 10 bits a byte at 19200 baud, rounded up so that bytes never come early.
    static constexpr std::chrono::nanoseconds kByteTime{520'834};

    explicit PacedLine(bool paced) : paced_(paced) {}

    // Bytes sent at `now`; they follow whatever is still on the line.
    void Send(std::span<const uint8_t> bytes, TimePoint now);
    // The bytes that have arrived by `now`, in order.
    std::vector<uint8_t> Arrived(TimePoint now);
    // When the next byte arrives; nullopt when the line is empty.
    std::optional<TimePoint> NextArrival() const;

private:
    bool paced_;
    std::deque<uint8_t> onLine_;
    TimePoint frontArrives_{};  // arrival of onLine_.front()
    TimePoint lineFree_{};      // arrival of the last byte taken off the line
};

}  // namespace kolmaris
