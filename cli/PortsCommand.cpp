// SPDX-License-Identifier: GPL-3.0-or-later
#include "Commands.h"

#include "PortDirectory.h"
#include "PortRefusals.h"

namespace kolmaris::cli {

// As the link dialog lists them: a port that opens, one that another program holds, or one this
// user may not open (with the fix below the list).
Exit RunPorts(SerialPort& port, const std::filesystem::path& portDirectory, std::ostream& out)
{
    int listed = 0;
    bool noAccess = false;
    for (const PortEntry& entry : ListPorts(portDirectory)) {
        const bool opened =
            port.OpenPort(static_cast<uint8_t>(entry.number), kLinkBaud, kLinkByteSize, kLinkStopBits, kLinkParity);
        const PortError error = opened ? PortError::None : port.LastError();
        if (opened)
            port.ClosePort();
        else if (error != PortError::AccessDenied && error != PortError::NoAccess)
            continue;
        out << FormatPortEntry(entry) << (opened ? "" : error == PortError::NoAccess ? " no access" : " busy") << '\n';
        noAccess = noAccess || error == PortError::NoAccess;
        ++listed;
    }
    if (listed == 0)
        out << "No ports found.\n";
    if (noAccess)
        out << "No access: " << kNoAccessFix << ".\n";
    out.flush();
    return Exit::Ok;
}

}  // namespace kolmaris::cli
