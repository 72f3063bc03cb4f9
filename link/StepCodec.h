// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// STEP frames: 0xD1, a 7-bit packed body (header, payload, CRC-8), an end byte.
// Requests end alternately in 0xA3 and 0x9A; the reply must end in the paired byte.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace kolmaris {

inline constexpr uint8_t kFrameStart = 0xD1;
inline constexpr std::size_t kMaxRequestPayload = 19;
inline constexpr std::size_t kMaxFrameBytes = 26;  // a 19-byte payload on the wire
inline constexpr std::size_t kReceiveBufferBytes = 29;
inline constexpr std::size_t kMaxReplyPayload = 21;  // what 29 wire bytes can carry

inline constexpr uint32_t kErrEndByte = 1;
inline constexpr uint32_t kErrPayloadTooLong = 0x2000B;
inline constexpr uint32_t kErrHeaderType = 0x2000E;
inline constexpr uint32_t kErrCrcOrLength = 0x2000F;

// End byte of a request built with the toggle at 0 / 1, and the reply end byte that pairs with it.
inline constexpr std::array<uint8_t, 2> kRequestEnd{0xA3, 0x9A};
inline constexpr std::array<uint8_t, 2> kReplyEndForRequestEnd{0x97, 0xAE};
// Reply end byte expected, indexed by the toggle after the request was built.
inline constexpr std::array<uint8_t, 2> kExpectedReplyEnd{0xAE, 0x97};

// CRC-8 of the 1-Wire form (reflected polynomial 0x8C), initial 0, no final XOR.
uint8_t FrameCrc(const uint8_t* bytes, std::size_t count);

// Encodes a frame ending in `endByte`. Returns the frame length, or nothing when the payload
// is longer than a reply can be (21 bytes). `out` must hold kReceiveBufferBytes bytes.
std::optional<std::size_t> EncodeFrameWithEnd(std::span<const uint8_t> payload, uint8_t headerType, uint8_t endByte,
                                              uint8_t* out);

// The program's encoder: end byte chosen by `toggle`, which flips on success.
// Returns 0 and sets `frameLength`, or 0x2000B leaving everything untouched.
uint32_t EncodeFrame(const uint8_t* payload, uint8_t length, uint8_t headerType, uint8_t& toggle, uint8_t* out,
                     std::size_t& frameLength);

// Decodes a whole frame (start byte to end byte). Returns 0 with the payload in `out`
// (room for kMaxReplyPayload bytes) and its length, or 1, 0x2000E, 0x2000F.
// With `headerType` empty any header type is accepted; `actualHeaderType` receives it.
uint32_t DecodeFrame(const uint8_t* frame, std::size_t length, uint8_t expectedEnd, std::optional<uint8_t> headerType,
                     uint8_t* out, std::size_t& payloadLength, uint8_t* actualHeaderType = nullptr);

// Gathers bytes into a frame: a start byte begins a frame, the expected end byte completes
// it, any other high byte discards it, and 29 bytes without an end empty the buffer.
class FrameReceiver {
public:
    // Returns the complete frame (start byte to end byte) when `b` finished one.
    std::optional<std::span<const uint8_t>> Feed(uint8_t b, uint8_t expectedEnd);
    void Reset() { fill_ = 0; }
    std::size_t Fill() const { return fill_; }
    // Bytes still to come before the frame being gathered can be complete (at least 1): the
    // shortest frame before its header has come, the frame's own length after it.
    std::size_t BytesToComplete() const;

private:
    std::array<uint8_t, kReceiveBufferBytes> buffer_{};
    std::array<uint8_t, kReceiveBufferBytes> frame_{};
    std::size_t fill_ = 0;
};

}  // namespace kolmaris
