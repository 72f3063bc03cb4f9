// SPDX-License-Identifier: GPL-3.0-or-later
#include "Commands.h"

#include "ProbeReadingRun.h"
#include "ProbeRecordReader.h"
#include "TabWriters.h"

namespace kolmaris::cli {

Exit RunRecords(StepLink& link, const CliOptions& options, CommandIo& io)
{
    const ReadingParts<ProbeRecordReader> parts{
        "radon records",
        [](const ProbeRecordReader& r) { return r.RecordsRead(); },
        [](const ProbeRecordReader& r) {
            const int wanted = r.Last() - r.First() + 1;
            return wanted > 0 ? static_cast<double>(r.RecordsRead()) / wanted : 0.0;
        },
        // Numbered with their record numbers, as the window's Save numbers a probe reading.
        [](std::ostream& out, const TDataStore& store, const ProbeRecordReader& r) {
            WriteRadonFile(out, false, store, r.Slot(), r.First() - 1);
        },
    };
    return RunProbeReading(link, options, io, parts);
}

}  // namespace kolmaris::cli
