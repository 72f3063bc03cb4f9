#pragma once
// Opening the archive for a command, and what a store added, in lines of their own.

#include "Commands.h"
#include "StationArchive.h"

namespace kolmaris::cli {

// False, with the error reported, when the archive cannot be opened.
bool OpenArchive(history::StationArchive& archive, const std::string& location, CommandIo& io);

// Stores `batch` and prints what it added; records that differ from the archive's own are warned
// about on `io.err`.
Exit StoreAndReport(history::StationArchive& archive, const std::string& station, const history::ArchiveBatch& batch,
                    CommandIo& io);

}  // namespace kolmaris::cli
