// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Writers of the ".tab" files: 8-bit text, TAB-separated, CR LF after every line, a header line
// unless appending. Write errors show in the stream's state.

#include <ostream>

#include "DataStore.h"

namespace kolmaris {

// Radon records of one probe, oldest first; record number = numberOffset + store index + 1.
void WriteRadonFile(std::ostream& out, bool append, const TDataStore& store, int probeSlot, int numberOffset);

// Spectra of one probe, newest first; labelled by time when firstBlock is 0, else by block number
// firstBlock + store index.
void WriteSpectrumFile(std::ostream& out, bool append, const TDataStore& store, int probeSlot, int firstBlock);

// Meteo records of the terminal, oldest first.
void WriteLocFile(std::ostream& out, bool append, const TDataStore& store);

// Diagnostic events, oldest first.
void WriteDiaFile(std::ostream& out, bool append, const TDataStore& store);

}  // namespace kolmaris
