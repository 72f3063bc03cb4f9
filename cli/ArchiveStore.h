// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The archive a download or a probe reading also stores what it read in (--archive). The
// archive is on Qt SQL: a build without Qt has none.

#include "Commands.h"
#include "DataStore.h"

#include <memory>
#include <string>

namespace kolmaris::cli {

class ArchiveStore {
public:
    virtual ~ArchiveStore() = default;

    // Opens the archive for writing, before any work it is to store; false with the error reported.
    virtual bool Open(CommandIo& io) = 0;
    // --new-only: true when the archive shows where the station's records begin, Met then telling
    // when a download has read back to them; false with the reason reported.
    virtual bool BeginNewOnly(CommandIo& io) = 0;
    virtual bool Met(const TDataStore& store) = 0;
    // Why the whole memory is read.
    virtual std::string Why() const = 0;
    // Stores what `store` holds and reports what that added; `wholeMemory` for a completed download.
    virtual Exit Store(const TDataStore& store, bool wholeMemory, CommandIo& io) = 0;
};

// The archive of `target`, its station checked; null with the error reported (exit status Usage)
// when the station cannot be used or the build has no archive.
std::unique_ptr<ArchiveStore> ArchiveFor(const ArchiveTarget& target, CommandIo& io);

}  // namespace kolmaris::cli
