// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The terminal's side of the STEP line: the detection handshake, request frames gathered
// from the start byte to an end byte and decoded with CRC and 7-bit packing, and replies
// framed with the request's header type (unless the handler picks another) and the end
// byte that pairs with the request's. Frames that do not decode are ignored.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace kolmaris::sim {

inline constexpr uint8_t kHandshakeProbe = 0xE8;
inline constexpr uint8_t kHandshakeReady = 0xE5;

struct Frame {
    uint8_t headerType = 0;
    std::vector<uint8_t> payload;
};

// A reply frame as the terminal sends it: start byte, packed body, `endByte`.
// Payloads up to 21 bytes (what the program's receive buffer holds).
std::vector<uint8_t> EncodeReply(const Frame& reply, uint8_t endByte);

// The end byte that answers a request ending in `requestEnd` (0xA3 -> 0x97, 0x9A -> 0xAE).
uint8_t PairedEnd(uint8_t requestEnd);

class FrameFrontEnd {
public:
    // Returns the reply, or nothing to stay silent.
    using Handler = std::function<std::optional<Frame>(const Frame& request)>;

    explicit FrameFrontEnd(Handler handler) : handler_(std::move(handler)) {}

    // Bytes from the program; returns the bytes to send back.
    std::vector<uint8_t> Feed(std::span<const uint8_t> bytes);

private:
    void EndOfFrame(uint8_t endByte, std::vector<uint8_t>& out);

    Handler handler_;
    std::vector<uint8_t> frame_;
    bool afterFF_ = false;
};

}  // namespace kolmaris::sim
