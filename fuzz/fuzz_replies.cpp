// SPDX-License-Identifier: GPL-3.0-or-later
// The reply decoders on replies of any length: each request is answered with the next chunk
// of the input, [length % 22][bytes], framed as the terminal would; the run ends with the input.
#include "ReplyDecoders.h"
#include "ScriptedTerminal.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace kolmaris;
    testing::ScriptedTerminal terminal;
    std::size_t at = 0;
    terminal.Respond([&](const testing::Request&) -> std::optional<std::vector<uint8_t>> {
        if (at >= size)
            return std::nullopt;
        const std::size_t wanted = data[at++] % (kMaxReplyPayload + 1);
        const std::size_t length = std::min(wanted, size - at);
        std::vector<uint8_t> reply(data + at, data + at + length);
        at += length;
        return reply;
    });
    fuzz::CallEveryDecoder(terminal.link, [&] { return at < size; });
    return 0;
}
