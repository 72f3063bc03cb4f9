// SPDX-License-Identifier: GPL-3.0-or-later
#include "SaveAll.h"

#include "FileReplacement.h"
#include "TabWriters.h"

#include <system_error>

namespace kolmaris {

namespace {

using Writer = std::function<void(std::ostream&)>;

// Replaces the file with what `write` produces; false, the old file kept, when that failed.
bool WriteNew(const std::filesystem::path& path, const Writer& write)
{
    std::string error;
    return ReplaceFile(path, false, write, error);
}

}  // namespace

std::string RadonFileName(int probeSlot)
{
    return "RDN_" + std::to_string(probeSlot + 1) + ".tab";
}

std::string SpectrumFileName(int probeSlot)
{
    return "SPC_" + std::to_string(probeSlot + 1) + ".tab";
}

SaveAllResult SaveAll(const TDataStore& store, const std::filesystem::path& directory, const SaveAllProgress& progress)
{
    SaveAllResult result;
    const auto save = [&](const std::string& name, const Writer& write) {
        const auto path = directory / name;
        if (progress)
            progress(path);
        (WriteNew(path, write) ? result.written : result.failed).push_back(name);
    };

    // Old diagnostics never stay behind: an empty store leaves no DIA.tab.
    if (store.DiaEventCount() > 0) {
        save(kDiaFileName, [&](std::ostream& out) { WriteDiaFile(out, false, store); });
    } else {
        std::error_code removeError;
        std::filesystem::remove(directory / kDiaFileName, removeError);
        if (removeError)
            result.failed.push_back(kDiaFileName);
    }

    if (store.LocRecordCount() > 0)
        save(kLocFileName, [&](std::ostream& out) { WriteLocFile(out, false, store); });

    for (int slot = 0; slot < kProbeSlots; ++slot)
        if (store.RadonRecordCount(slot) > 0)
            save(RadonFileName(slot), [&](std::ostream& out) { WriteRadonFile(out, false, store, slot, 0); });

    for (int slot = 0; slot < kProbeSlots; ++slot)
        if (store.SpectrumCount(slot) > 0)
            save(SpectrumFileName(slot), [&](std::ostream& out) { WriteSpectrumFile(out, false, store, slot, 0); });

    return result;
}

}  // namespace kolmaris
