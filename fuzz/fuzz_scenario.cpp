// SPDX-License-Identifier: GPL-3.0-or-later
// The scenario loader on an arbitrary file: an error is one printable line; a scenario it
// accepts is written back and read again to the same file.
#include "ReplyDecoders.h"
#include "ScenarioJson.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace kolmaris;
    using fuzz::Check;
    const ScenarioLoad load = ParseScenarioJson({reinterpret_cast<const char*>(data), size}, "fuzz.json");
    if (!load.scenario) {
        Check(std::none_of(load.error.begin(), load.error.end(), [](unsigned char c) { return c < 0x20 || c == 0x7F; }));
        return 0;
    }
    const std::string written = ScenarioToJson(*load.scenario);
    const ScenarioLoad again = ParseScenarioJson(written, "fuzz.json");
    Check(again.scenario && ScenarioToJson(*again.scenario) == written);
    return 0;
}
