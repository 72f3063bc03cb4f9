// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The run of a records or spectra command: check the probe, stop the terminal's data
// acquisition, tick the reader to its end, continue the acquisition, report, write the file.

#include "ArchiveStore.h"
#include "Commands.h"
#include "DataStore.h"
#include "Records.h"
#include "ProbeAccess.h"
#include "RelayedRequests.h"
#include "TabFile.h"
#include "TickPacer.h"

#include <ostream>

namespace kolmaris::cli {

// Pause between the reader's ticks, counted from the start of a tick: the pause of the blocking
// exchanges between polls of a relayed answer.
inline constexpr uint32_t kReadingTickMs = kPollPauseMs;

// What differs between the records and the spectra readings.
template <class Reader>
struct ReadingParts {
    const char* noun;                                                // "radon records", "spectra"
    int (*count)(const Reader&);                                     // read so far
    double (*fraction)(const Reader&);                               // progress, 0 to 1
    void (*write)(std::ostream&, const TDataStore&, const Reader&);  // the window's Save
};

template <class Reader>
Exit RunProbeReading(StepLink& link, const CliOptions& options, CommandIo& io, const ReadingParts<Reader>& parts)
{
    // The command line checks these; a caller that did not gets the windows' refusal.
    if (!Reader::ValidRange(options.from, options.to) || options.probe < 1 || options.probe > kProbeSlots) {
        ReportError(io.err, "Wrong range of records to be read!");
        return Exit::Usage;
    }
    std::unique_ptr<ArchiveStore> archive;
    if (options.useArchive && !(archive = ArchiveFor({true, options.archive, options.station, false}, io)))
        return Exit::Usage;
    const auto address = static_cast<uint8_t>(options.probe);
    const std::string probe = "probe " + std::to_string(options.probe);
    if (const std::string problem = CheckRadonProbe(link, options.attempts, address); !problem.empty()) {
        ReportError(io.err, problem);
        return Exit::Failed;
    }
    // Opened first: a reading that cannot be stored is not begun.
    if (archive && !archive->Open(io))
        return Exit::Archive;
    AcquisitionPause acquisition;
    std::string error;
    if (!acquisition.Stop(link, options.attempts, error)) {
        ReportError(io.err, error);
        return Exit::Failed;
    }

    TDataStore store;
    Reader reader;
    reader.Start(address, options.from, options.to, options.attempts, acquisition.WasRunning());
    TickPacer pacer(link.GetClock(), kReadingTickMs);
    bool interrupted = false;
    for (;;) {
        if (io.stopRequested()) {
            reader.Stop();
            interrupted = true;
            break;
        }
        pacer.Begin();
        const bool going = reader.Tick(link, store);
        io.progress.Show(parts.fraction(reader), reader.StatusText());
        if (!going)
            break;
        pacer.Wait(kReadingTickMs);
    }
    io.progress.Finish();

    Exit exit = Exit::Ok;
    const int count = parts.count(reader);
    const std::string after = " after " + std::to_string(count) + " " + parts.noun;
    if (interrupted) {
        ReportError(io.err, "interrupted" + after);
        exit = Exit::Interrupted;
    } else if (reader.Failed()) {
        ReportError(io.err, "reading " + std::string(parts.noun) + " from " + probe + " failed" + after + ": " +
                                reader.StatusText());
        exit = Exit::Failed;
    } else {
        for (const std::string& warning : reader.Warnings())
            ReportError(io.err, "warning: " + warning);
    }
    if (const std::string resumeError = acquisition.Resume(link, options.attempts); !resumeError.empty()) {
        ReportError(io.err, resumeError);
        exit = Worse(exit, Exit::Failed);
    }

    // A reading that ended early without a single item keeps the old file.
    if (exit != Exit::Ok && count == 0) {
        io.out << "Nothing read from " << probe << "; " << options.out << " left as it was\n" << std::flush;
        return exit;
    }
    if (!WriteTabFile(
            options.out, [&](std::ostream& out) { parts.write(out, store, reader); }, error)) {
        ReportError(io.err, error);
        return Worse(exit, Exit::Files);
    }
    io.out << "Probe " << options.probe << ": " << count << " " << parts.noun;
    if (count > 0)
        io.out << " (" << reader.First() << " to " << reader.First() + count - 1 << ")";
    io.out << " written to " << options.out << '\n' << std::flush;
    if (archive)
        exit = Worse(exit, archive->Store(store, false, io));
    return exit;
}

}  // namespace kolmaris::cli
