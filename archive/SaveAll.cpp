#include "SaveAll.h"

#include "TabWriters.h"

#include <fstream>
#include <system_error>

namespace kolmaris {

namespace {

using Writer = std::function<void(std::ostream&)>;

// Creates (or truncates) the file, writes it and closes it; false when any of that failed.
bool WriteNew(const std::filesystem::path& path, const Writer& write)
{
    std::ofstream out(path, std::ios::out | std::ios::binary | std::ios::trunc);
    if (!out.is_open())
        return false;
    write(out);
    const bool written = out.good();
    out.close();
    return written && !out.fail();
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
    std::error_code removeError;
    std::filesystem::remove(directory / kDiaFileName, removeError);
    if (store.DiaEventCount() > 0)
        save(kDiaFileName, [&](std::ostream& out) { WriteDiaFile(out, false, store); });
    else if (removeError)
        result.failed.push_back(kDiaFileName);

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
