// SPDX-License-Identifier: GPL-3.0-or-later
// Frame encode and decode throughput.
#include "StepCodec.h"

#include <benchmark/benchmark.h>

#include <array>
#include <vector>

using namespace kolmaris;

static void EncodeFrames(benchmark::State& state)
{
    std::vector<uint8_t> payload(19);
    for (std::size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<uint8_t>(i * 29 + 0x80 * (i & 1));
    std::array<uint8_t, kMaxFrameBytes> out{};
    uint8_t toggle = 0;
    std::size_t length = 0;
    for (auto _ : state) {
        EncodeFrame(payload.data(), 19, 1, toggle, out.data(), length);
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 19);
}
BENCHMARK(EncodeFrames);

// Receive and decode: every wire byte of a 19-byte reply through the receiver.
static void ReceiveAndDecodeFrames(benchmark::State& state)
{
    const std::vector<uint8_t> payload(19, 0xA5);
    std::array<uint8_t, kMaxFrameBytes> frame{};
    const std::size_t n = *EncodeFrameWithEnd(payload, 1, 0x97, frame.data());
    FrameReceiver rx;
    std::array<uint8_t, kMaxReplyPayload> out{};
    for (auto _ : state) {
        for (std::size_t i = 0; i < n; ++i)
            if (const auto f = rx.Feed(frame[i], 0x97)) {
                std::size_t len = 0;
                DecodeFrame(f->data(), f->size(), 0x97, 1, out.data(), len);
                benchmark::DoNotOptimize(out);
            }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * n));
}
BENCHMARK(ReceiveAndDecodeFrames);
