// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Save All": every kind of data in the store as ".tab" files in one directory, each written
// new with a header, replacing an old one only once complete: DIA.tab, TERM.tab, RDN_n.tab and
// SPC_n.tab for MESH addresses n = 1..16. A kind without data writes no file and leaves an old
// one alone, except DIA.tab, which is removed.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "DataStore.h"

namespace kolmaris {

// "RDN_n.tab" / "SPC_n.tab" for probe slot 0..15 (n = slot + 1, no leading zero).
std::string RadonFileName(int probeSlot);
std::string SpectrumFileName(int probeSlot);
inline constexpr char kDiaFileName[] = "DIA.tab";
inline constexpr char kLocFileName[] = "TERM.tab";

struct SaveAllResult {
    std::vector<std::string> written;  // file names written completely, in order
    std::vector<std::string> failed;   // file names that could not be written in full (old file kept),
                                       // or an old DIA.tab that could not be removed
    bool Ok() const { return failed.empty(); }
};

// Called with the full path of each file just before it is written.
using SaveAllProgress = std::function<void(const std::filesystem::path&)>;

// Writes the files into `directory` in the order DIA, TERM, RDN_1..16, SPC_1..16: radon records
// numbered from 1, spectra labelled by time. A failed file does not stop the others.
SaveAllResult SaveAll(const TDataStore& store, const std::filesystem::path& directory,
                      const SaveAllProgress& progress = {});

}  // namespace kolmaris
