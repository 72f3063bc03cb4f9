// SPDX-License-Identifier: GPL-3.0-or-later
#include "Commands.h"

#include "ProbeReadingRun.h"
#include "ProbeSpectrumReader.h"
#include "TabWriters.h"

namespace kolmaris::cli {

Exit RunSpectra(StepLink& link, const CliOptions& options, CommandIo& io)
{
    const ReadingParts<ProbeSpectrumReader> parts{
        "spectra",
        [](const ProbeSpectrumReader& r) { return r.SpectraRead(); },
        [](const ProbeSpectrumReader& r) {
            const int wanted = (r.Last() - r.First() + 1) * kSpectrumParts;
            return wanted > 0 ? static_cast<double>(r.SpectraRead() * kSpectrumParts + r.PartNo()) / wanted : 0.0;
        },
        // Block mode: each row labelled with its buffer number.
        [](std::ostream& out, const TDataStore& store, const ProbeSpectrumReader& r) {
            WriteSpectrumFile(out, false, store, r.Slot(), r.First());
        },
    };
    return RunProbeReading(link, options, io, parts);
}

}  // namespace kolmaris::cli
