// SPDX-License-Identifier: GPL-3.0-or-later
#include "ArchiveOverlap.h"

#include <algorithm>

namespace kolmaris::history {

namespace {

std::string When(TerminalTime time)
{
    return FormatTime(time, true, false);
}

// Rows not newer than the archive's newest of their kind go to `old`; the others it lacks.
template <class Row, class Newest>
int SplitNewer(const std::vector<Row>& rows, const Newest& newest, std::vector<Row>& old)
{
    int newer = 0;
    for (const Row& row : rows) {
        const std::optional<TerminalTime> end = newest(row);
        if (end && row.time <= *end)
            old.push_back(row);
        else
            ++newer;
    }
    return newer;
}

template <class Row>
std::optional<TerminalTime> OfProbe(const std::map<int, TerminalTime>& ends, const Row& row)
{
    const auto at = ends.find(row.probe);
    return at == ends.end() ? std::nullopt : std::optional(at->second);
}

}  // namespace

ArchiveOverlap::ArchiveOverlap(StationArchive& archive, std::string station)
    : archive_(archive), station_(std::move(station))
{
}

bool ArchiveOverlap::GiveUp(std::string why)
{
    why_ = std::move(why) + "; reading the whole memory";
    return false;
}

bool ArchiveOverlap::Begin()
{
    std::string error;
    if (!archive_.Ends(station_, ends_, error))
        return GiveUp("cannot read the archive: " + error);
    if (ends_.Empty())
        return GiveUp("station \"" + station_ + "\" has no records in the archive yet");
    if (!ends_.wholeDownload)
        return GiveUp("the archive holds no download of the whole memory of station \"" + station_ + "\" yet");
    return true;
}

bool ArchiveOverlap::Met(const TDataStore& store)
{
    if (!why_.empty() || !store.TimesComplete())
        return false;
    const StoreCounts now = StoreCounts::Of(store);
    if (!judged_.NotAbove(now)) {  // emptied: a new run from the pointer
        judged_ = {};
        run_ = 0;
        markRead_ = false;
    }
    if (now.Total() == judged_.Total())
        return false;
    const ArchiveBatch fresh = BatchFromStore(store, judged_);
    judged_ = now;
    return Judge(fresh) && markRead_ && run_ >= kGroup;
}

bool ArchiveOverlap::Judge(const ArchiveBatch& fresh)
{
    // Rows newer than the newest the archive holds of their kind are not asked for.
    ArchiveBatch old, missing;
    const int newer =
        SplitNewer(fresh.radon, [&](const RadonRow& r) { return OfProbe(ends_.radon, r); }, old.radon) +
        SplitNewer(fresh.spectra, [&](const SpectrumRow& r) { return OfProbe(ends_.spectra, r); }, old.spectra) +
        SplitNewer(fresh.meteo, [&](const MeteoRow&) { return ends_.meteo; }, old.meteo) +
        SplitNewer(fresh.dia, [&](const DiaRow&) { return ends_.dia; }, old.dia);
    std::string error;
    if (old.Size() > 0 && !archive_.Missing(station_, old, missing, error))
        return GiveUp("cannot read the archive: " + error);

    // Radon and meteo records carry their own times; spectra and events take theirs from them.
    if (!missing.radon.empty()) {
        const RadonRow& r = missing.radon.front();
        return GiveUp("probe " + std::to_string(r.probe) + "'s radon record of " + When(r.time) +
                      " is not in the archive, which holds its records up to " + When(ends_.radon[r.probe]) +
                      " (the terminal's clock set back, or an earlier download stopped part-way?)");
    }
    if (!missing.meteo.empty())
        return GiveUp("the meteo record of " + When(missing.meteo.front().time) +
                      " is not in the archive, which holds meteo records up to " + When(*ends_.meteo) +
                      " (the terminal's clock set back, or an earlier download stopped part-way?)");

    markRead_ = markRead_ || std::any_of(old.meteo.begin(), old.meteo.end(),
                                         [&](const MeteoRow& r) { return r.time == *ends_.wholeDownload; });
    const bool held = newer == 0 && missing.Size() == 0;
    run_ = held ? run_ + static_cast<int>(fresh.Size()) : 0;
    return true;
}

std::string ArchiveOverlap::Why() const
{
    if (!why_.empty())
        return why_;
    return "the whole memory was read without meeting the records of the last whole download of station \"" +
           station_ + "\" (" + When(*ends_.wholeDownload) + "): the memory was erased, or has wrapped past them";
}

}  // namespace kolmaris::history
