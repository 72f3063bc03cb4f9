// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Opening the archive for a command, and what a store added, in lines of their own.

#include "Commands.h"
#include "StationArchive.h"

namespace kolmaris::cli {

// False, with the error reported, when the station name cannot be used: a command checks it
// before any work (exit status Usage).
bool CheckStation(const std::string& station, CommandIo& io);

// False, with the error reported, when the archive cannot be opened (or, for Use::Write,
// written). A stop signal ends the program at once meanwhile: a server may keep it waiting.
bool OpenArchive(history::StationArchive& archive, const std::string& location, CommandIo& io,
                 history::StationArchive::Use use = history::StationArchive::Use::Read);

// Stores `batch` and prints what it added; records that differ from the archive's own are warned
// about on `io.err`. A stop signal ends the program at once meanwhile.
Exit StoreAndReport(history::StationArchive& archive, const std::string& station, const history::ArchiveBatch& batch,
                    CommandIo& io);

}  // namespace kolmaris::cli
