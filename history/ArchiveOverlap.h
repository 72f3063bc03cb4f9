// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// When a download that reads the terminal's memory backwards from its write pointer may stop:
// once the records read reach those the archive already holds for the station, below which the
// memory holds nothing the archive lacks. The archive proves that only when
//  - a download of the whole memory (or one that stopped here likewise) has left its mark, the
//    newest meteo record it read: the archive holds every record of the memory below that one;
//  - the records read include that meteo record, held with equal values, and end in a group of
//    at least kGroup records in a row that the archive holds with equal values (never a single
//    coincidence);
//  - every record read has its final time (TDataStore::TimesComplete), so that what is stored is
//    what a full download would store of them.
// A radon or meteo record that the archive lacks although it is not newer than the archive's
// newest of its probe (the terminal's clock set back, or an earlier download that stopped part-way)
// ends the hope: the memory is then read to its end. Why() says in one line why it is read whole.

#include "StationArchive.h"

namespace kolmaris::history {

class ArchiveOverlap {
public:
    static constexpr int kGroup = 8;

    ArchiveOverlap(StationArchive& archive, std::string station);

    // Reads what the archive holds of the station. False when it cannot prove any overlap:
    // Why() then tells why.
    bool Begin();
    // The download's stop check, after each piece: true once the rest of the memory is held.
    bool Met(const TDataStore& store);
    // Why the whole memory is read; after a run that read to the end of data without Met, what
    // the archive could not find.
    std::string Why() const;

private:
    // Judges the rows read since the last time; false when the overlap can no longer be proved.
    bool Judge(const ArchiveBatch& fresh);
    bool GiveUp(std::string why);

    StationArchive& archive_;
    std::string station_;
    StationEnds ends_;
    StoreCounts judged_;
    int run_ = 0;            // records in a row, the oldest read, that the archive holds
    bool markRead_ = false;  // the mark's meteo record was read
    std::string why_;
};

}  // namespace kolmaris::history
