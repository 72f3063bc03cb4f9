// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration-file loader on an arbitrary file: every setting it leaves stays in bounds.
#include "ConfigFile.h"
#include "ReplyDecoders.h"

#include <fstream>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace kolmaris;
    using fuzz::Check;
    static const std::filesystem::path file =
        (std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                   : std::filesystem::temp_directory_path()) /
        ("kolmaris-fuzz-" + std::to_string(::getpid()) + ".cfg");
    std::ofstream(file, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                  static_cast<std::streamsize>(size));
    LinkSettings settings;
    if (LoadConfig(file, settings) == LoadResult::Loaded) {
        Check(settings.configuredPort >= 0 && settings.configuredPort <= 255);
        Check(settings.replyTimeout >= kMinReplyTimeout && settings.replyTimeout <= kMaxReplyTimeout);
        Check(settings.attemptCount >= kMinAttemptCount && settings.attemptCount <= kMaxAttemptCount);
    }
    return 0;
}
