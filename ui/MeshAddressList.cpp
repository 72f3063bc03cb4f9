// SPDX-License-Identifier: GPL-3.0-or-later
#include "MeshAddressList.h"

#include "BlockingExchange.h"
#include "Session.h"
#include "TerminalCommands.h"

#include <QComboBox>

#include <span>

namespace kolmaris {

namespace {

constexpr uint8_t kFirstAddress = 1;
constexpr uint8_t kLastAddress = 16;
constexpr std::size_t kBitmapOffset = 2;  // the map starts at answer data byte 2

enum class Kept { Done, Retry };

// The addresses whose function matches, read as the filter says. Retry when a status read
// failed.
Kept KeepMatching(Session& session, const std::vector<uint8_t>& bonded, const MeshAddressFilter& filter,
                  std::vector<uint8_t>& kept)
{
    kept.clear();
    if (filter.source == FunctionSource::None) {
        kept = bonded;
        return Kept::Done;
    }
    bool allRead = true;
    for (const uint8_t address : bonded) {
        uint8_t function = 0;
        if (filter.source == FunctionSource::ElementKind) {
            if (ReadElementKind(session.link, address, function) != kOk)
                continue;
        } else {
            ElementSlot& slot = session.model.ElementTable[address];
            if (ReadElementStatus(session.link, address, slot.status) != kOk) {
                allRead = false;
                continue;
            }
            function = FunctionCode(slot.status.kind);
        }
        if (function == filter.function)
            kept.push_back(address);
    }
    return allRead ? Kept::Done : Kept::Retry;
}

}  // namespace

std::vector<uint8_t> BondedAddresses(const RelayedAnswer& bondingMap)
{
    std::vector<uint8_t> addresses;
    if (bondingMap.length <= kBitmapOffset)
        return addresses;
    const std::span<const uint8_t> bitmap(bondingMap.data.data() + kBitmapOffset, bondingMap.length - kBitmapOffset);
    for (uint8_t address = kFirstAddress; address <= kLastAddress; ++address) {
        if (IsAddressBonded(bitmap, address))
            addresses.push_back(address);
    }
    return addresses;
}

MeshListResult FillMeshAddressList(Session& session, QWidget* window, QComboBox& MeshAdrCB,
                                   const MeshAddressFilter& filter)
{
    const RelayedSend bondingMap = [](StepLink& link) { return RequestBondingMap(link, Network::Local, 0); };
    std::vector<uint8_t> kept;
    for (;;) {
        RelayedAnswer answer;
        if (!BlockingExchange(session, window, bondingMap, answer))
            return MeshListResult::Declined;
        if (KeepMatching(session, BondedAddresses(answer), filter, kept) == Kept::Done)
            break;
        if (!AskTryAgain(session, window))
            return MeshListResult::Declined;
    }
    MeshAdrCB.clear();
    for (const uint8_t address : kept)
        MeshAdrCB.addItem(QString::number(address));
    if (kept.empty())
        return MeshListResult::Empty;
    MeshAdrCB.setCurrentIndex(0);
    return MeshListResult::Filled;
}

}  // namespace kolmaris
