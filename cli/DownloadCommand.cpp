// SPDX-License-Identifier: GPL-3.0-or-later
#include "Commands.h"

#include "ArchiveStore.h"
#include "DataStore.h"
#include "SaveAll.h"
#include "TerminalDownload.h"
#include "TerminalTime.h"
#include "TickPacer.h"

#include <cstdio>
#include <system_error>

namespace kolmaris::cli {

namespace {

namespace fs = std::filesystem;

std::string Hex(int address)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%05X", static_cast<unsigned>(address));
    return text;
}

std::string BytesText(const TerminalDownload& machine)
{
    return std::to_string(machine.BytesRead()) + " of " + std::to_string(machine.BytesTotal()) + " bytes";
}

// Why a run ended short, in one line; empty for a completed run.
std::string EndText(const TerminalDownload& machine)
{
    const std::string tries = " (" + std::to_string(TerminalDownload::kTries) + " tries)";
    const std::string after = machine.BytesTotal() == 0 ? std::string("the download could not begin: ")
                                                        : "the download stopped after " + BytesText(machine) + ": ";
    switch (machine.Reason()) {
        case StopReason::None:
        case StopReason::CheckMet:
            return {};
        case StopReason::Interrupted:
            return "interrupted after " + BytesText(machine);
        case StopReason::SwitchOffUnanswered:
            return after + "the terminal did not answer the switching off of recording" + tries;
        case StopReason::PointerUnanswered:
            return after + "the terminal did not answer the request for its write pointer" + tries;
        case StopReason::NoPointer:
            return "the terminal reports no write pointer: its memory holds no data to read";
        case StopReason::PieceUnanswered:
            return after + "the terminal did not answer for the memory at " + Hex(machine.ReadAddress()) + tries;
        case StopReason::BadData:
            return "the download failed after " + BytesText(machine) +
                   ": probably bad data structure in the terminal's memory";
    }
    return {};
}

// A run that stopped for want of an answer is worth another: continued where it stopped, as the
// window's "Continue" button does, or begun again when it stopped before the pointer, as its
// "Read" does; also when recording could not be switched on again, since the next run ends by
// switching it on. Not after bad data, nor when the terminal has no data.
bool WorthAnotherRun(const TerminalDownload& machine)
{
    switch (machine.Reason()) {
        case StopReason::SwitchOffUnanswered:
        case StopReason::PointerUnanswered:
        case StopReason::PieceUnanswered:
            return true;
        default:
            return false;
    }
}

// Runs the machine to the end, with further runs after runs that stopped for want of an answer.
// Only a run that read nothing counts against `runs`: a download that keeps moving goes on over
// a poor line; with `runs` 0 there are no further runs. A stop request interrupts it; the
// machine then still switches recording on again.
void Download(StepLink& link, TDataStore& store, TerminalDownload& machine, int runs, CommandIo& io)
{
    TickPacer pacer(link.GetClock(), TerminalDownload::kTickMs);
    const uint8_t port = link.ConnectedPort;
    int idle = 0;
    int lastBytes = 0;
    machine.Start();
    while (machine.Running()) {
        if (io.stopRequested())
            machine.Interrupt();
        pacer.Begin();
        const uint32_t pause = machine.Tick(link, store);
        io.progress.Show(machine.ProgressFraction(), machine.ProgressText());
        if (machine.Running()) {
            pacer.Wait(pause);
            continue;
        }
        if (!WorthAnotherRun(machine) || io.stopRequested())
            continue;
        const bool moved = machine.BytesRead() != lastBytes;
        lastBytes = machine.BytesRead();
        if (runs == 0 || (!moved && idle >= runs))
            continue;
        std::string text = EndText(machine) + "; continuing";
        if (!moved)
            text += " (" + std::to_string(++idle) + " of " + std::to_string(runs) + " without progress)";
        io.progress.Finish();
        ReportError(io.err, text);
        // A terminal unplugged and plugged back in is a new device behind the same port.
        if (link.ConnectedPort == 0)
            link.DetectTerminal(port);
        machine.Start();
    }
    io.progress.Finish();
}

// The end of the download in lines of their own, and the exit status it gives.
Exit JudgeDownload(const TerminalDownload& machine, CommandIo& io)
{
    Exit exit = Exit::Ok;
    if (machine.RestoreFailed()) {
        ReportError(io.err, "recording into the terminal's memory could not be switched on again");
        exit = Exit::RecordingOff;
    }
    if (const std::string text = EndText(machine); !text.empty())
        ReportError(io.err, text);
    switch (machine.Outcome()) {
        case DownloadOutcome::Failed:
        case DownloadOutcome::Suspended:
            return Worse(exit, Exit::Failed);
        case DownloadOutcome::Interrupted:
            return Worse(exit, Exit::Interrupted);
        default:
            return exit;
    }
}

void PrintCounts(const TDataStore& store, const TerminalDownload& machine, std::ostream& out)
{
    const auto line = [&](const char* label, const std::string& value) {
        char head[32];
        std::snprintf(head, sizeof head, "%-20s", label);
        out << head << value << '\n';
    };
    line("Memory read:", std::to_string(machine.BytesRead()) + " bytes");
    line("Spectra:", std::to_string(store.TotalSpectra()));
    line("Radon records:", std::to_string(store.TotalRadonRecords()));
    line("Meteo records:", std::to_string(store.LocRecordCount()));
    line("Diagnostic events:", std::to_string(store.DiaEventCount()));
    // The memory is read newest first: the first meteo record parsed is the last one recorded.
    if (LocRecord newest{}; store.GetLocRecord(0, newest) == kStoreDone)
        line("Last meteo record:", TerminalTimeText(U32At<LocOffset::Time>(newest), false));
    for (int slot = 0; slot < kProbeSlots; ++slot) {
        const int records = store.RadonRecordCount(slot);
        const int spectra = store.SpectrumCount(slot);
        if (records > 0 || spectra > 0)
            line(("Probe " + std::to_string(slot + 1) + ":").c_str(),
                 std::to_string(records) + " radon records, " + std::to_string(spectra) + " spectra");
    }
}

Exit Save(const TDataStore& store, const fs::path& directory, CommandIo& io)
{
    const SaveAllResult saved = SaveAll(store, directory);
    io.out << "Files in " << directory.string() << ":";
    for (const std::string& name : saved.written)
        io.out << ' ' << name;
    io.out << (saved.written.empty() ? " none written\n" : "\n");
    io.out.flush();
    if (saved.Ok())
        return Exit::Ok;
    std::string names;
    for (const std::string& name : saved.failed)
        names += (names.empty() ? "" : ", ") + name;
    ReportError(io.err, "cannot write in " + directory.string() + ": " + names);
    return Exit::Files;
}

}  // namespace

Exit RunDownload(StepLink& link, const fs::path& directory, int continues, CommandIo& io, const ArchiveTarget& target)
{
    std::unique_ptr<ArchiveStore> archive;
    if (target.use && !(archive = ArchiveFor(target, io)))
        return Exit::Usage;
    std::error_code error;
    const fs::path absolute = fs::absolute(directory, error);
    fs::create_directories(absolute, error);
    if (!fs::is_directory(absolute, error)) {
        ReportError(io.err, "cannot make the directory " + directory.string());
        return Exit::Files;
    }

    // Opened first: a download that cannot be stored is not begun.
    if (archive && !archive->Open(io))
        return Exit::Archive;

    TDataStore store;
    TerminalDownload machine;
    // --new-only: the whole memory unless the archive proves where its records begin; why, in one line.
    const bool checking = archive && target.newOnly && archive->BeginNewOnly(io);
    if (checking)
        machine.SetStopCheck([&archive](const TDataStore& s) { return archive->Met(s); });
    Download(link, store, machine, continues, io);
    Exit exit = JudgeDownload(machine, io);
    if (machine.Reason() == StopReason::CheckMet)
        io.out << "Read back to the records the archive holds; the rest of the memory holds nothing new.\n";
    else if (checking && machine.Outcome() == DownloadOutcome::Completed)
        ReportError(io.err, archive->Why());
    PrintCounts(store, machine, io.out);

    // A run that parsed nothing leaves the directory as it was (Save All would remove DIA.tab).
    const bool parsed =
        store.TotalSpectra() + store.TotalRadonRecords() + store.LocRecordCount() + store.DiaEventCount() > 0;
    if (machine.Outcome() != DownloadOutcome::Completed && !parsed) {
        io.out << "Nothing read; " << absolute.string() << " left as it was\n" << std::flush;
        return exit;
    }
    exit = Worse(exit, Save(store, absolute, io));
    if (archive)
        exit = Worse(exit, archive->Store(store, machine.Outcome() == DownloadOutcome::Completed, io));
    return exit;
}

}  // namespace kolmaris::cli
