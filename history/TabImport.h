// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reads the ".tab" files this program writes back into archive rows: RDN_n.tab, SPC_n.tab
// (spectra labelled by time), TERM.tab and DIA.tab. Qt-free.

#include <filesystem>
#include <string>
#include <vector>

#include "ArchiveRows.h"

namespace kolmaris::history {

// Adds the rows of `file` to `batch`. False, with one line naming the file (and the line when one
// is at fault) in `error`, for a file this program does not write or that does not read as one.
bool ImportTabFile(const std::filesystem::path& file, ArchiveBatch& batch, std::string& error);

// Directories give their tab files in name order; files are taken as they are. The first error
// stops the import.
bool ImportTabPaths(const std::vector<std::filesystem::path>& paths, ArchiveBatch& batch, std::string& error);

}  // namespace kolmaris::history
