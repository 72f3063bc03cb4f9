// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The terminal's single slot for a relayed request. A new request takes the slot (an
// answer not yet fetched is dropped); the first polls report "not complete", then the
// answer comes, and it stays readable until the next request. Polls without any request
// get the terminal status 0x86.

#include <cstdint>
#include <optional>
#include <vector>

namespace kolmaris::sim {

inline constexpr uint8_t kAnswerMarker = 0x85;
inline constexpr uint8_t kNothingRequested = 0x86;
inline constexpr uint8_t kStatusPending = 0x80;
inline constexpr uint8_t kStatusValid = 0x40;
inline constexpr uint8_t kStatusNoValidAnswer = 0x7F;
inline constexpr std::size_t kMaxAnswerBytes = 19;  // what a poll reply can carry

class RelaySlot {
public:
    // `answer` empty: the request got no valid answer.
    void Take(std::optional<std::vector<uint8_t>> answer, int pollsBeforeCompletion);
    // The payload of the reply to a poll.
    std::vector<uint8_t> Poll();

private:
    bool taken_ = false;
    int pending_ = 0;
    std::optional<std::vector<uint8_t>> answer_;
};

}  // namespace kolmaris::sim
