// SPDX-License-Identifier: GPL-3.0-or-later
#include "ArchiveStore.h"

#include "ArchiveOverlap.h"
#include "StoreReport.h"

namespace kolmaris::cli {

namespace {

class StationArchiveStore final : public ArchiveStore {
public:
    explicit StationArchiveStore(const ArchiveTarget& target) : target_(target) {}

    bool Open(CommandIo& io) override
    {
        return OpenArchive(archive_, target_.location, io, history::StationArchive::Use::Write);
    }
    bool BeginNewOnly(CommandIo& io) override
    {
        if (overlap_.Begin())
            return true;
        ReportError(io.err, overlap_.Why());
        return false;
    }
    bool Met(const TDataStore& store) override { return overlap_.Met(store); }
    std::string Why() const override { return overlap_.Why(); }
    Exit Store(const TDataStore& store, bool wholeMemory, CommandIo& io) override
    {
        history::ArchiveBatch batch = history::BatchFromStore(store);
        batch.wholeMemory = wholeMemory;
        return StoreAndReport(archive_, target_.station, batch, io);
    }

private:
    ArchiveTarget target_;
    history::StationArchive archive_;
    history::ArchiveOverlap overlap_{archive_, target_.station};
};

}  // namespace

std::unique_ptr<ArchiveStore> ArchiveFor(const ArchiveTarget& target, CommandIo& io)
{
    if (!CheckStation(target.station, io))
        return nullptr;
    return std::make_unique<StationArchiveStore>(target);
}

}  // namespace kolmaris::cli
