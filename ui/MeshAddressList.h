// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Builds a window's `MeshAdrCB` from the coordinator's bonding map: the bonded MESH addresses
// 1 to 16 in ascending order, as decimal texts, optionally only those of one function.

#include <cstdint>
#include <vector>

class QComboBox;
class QWidget;

namespace kolmaris {

struct RelayedAnswer;
struct Session;

// Where the function code of each bonded element comes from.
enum class FunctionSource {
    None,           // keep every bonded address
    ElementKind,    // ReadElementKind; an element whose read fails is left out
    ElementStatus,  // ReadElementStatus of every bonded element into its slot; any failed read
                    // asks "Communication error! Try again?" like the bonding map
};

struct MeshAddressFilter {
    FunctionSource source = FunctionSource::None;
    uint8_t function = 0;  // the function code kept
};

enum class MeshListResult {
    Filled,    // at least one address listed, the first selected
    Empty,     // nothing suitable bonded; the list is empty
    Declined,  // the user declined to try again
};

// The bonded addresses 1 to 16 of a bonding-map answer, ascending.
std::vector<uint8_t> BondedAddresses(const RelayedAnswer& bondingMap);

MeshListResult FillMeshAddressList(Session& session, QWidget* window, QComboBox& MeshAdrCB,
                                   const MeshAddressFilter& filter = {});

}  // namespace kolmaris
