// SPDX-License-Identifier: GPL-3.0-or-later
#include "ArchiveStore.h"

namespace kolmaris::cli {

// A build without Qt has no archive; the program refuses --archive before it connects.
std::unique_ptr<ArchiveStore> ArchiveFor(const ArchiveTarget&, CommandIo& io)
{
    ReportError(io.err, "--archive: not available in this build");
    return nullptr;
}

}  // namespace kolmaris::cli
