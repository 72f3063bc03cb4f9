#include "Commands.h"

#include "PortDirectory.h"

namespace kolmaris::cli {

// As the link dialog lists them: a port that opens, or one that another program holds.
Exit RunPorts(SerialPort& port, const std::filesystem::path& portDirectory, std::ostream& out)
{
    int listed = 0;
    for (const PortEntry& entry : ListPorts(portDirectory)) {
        const bool opened =
            port.OpenPort(static_cast<uint8_t>(entry.number), kLinkBaud, kLinkByteSize, kLinkStopBits, kLinkParity);
        if (opened)
            port.ClosePort();
        else if (port.LastError() != PortError::AccessDenied)
            continue;
        out << FormatPortEntry(entry) << (opened ? "" : " busy") << '\n';
        ++listed;
    }
    if (listed == 0)
        out << "No ports found.\n";
    out.flush();
    return Exit::Ok;
}

}  // namespace kolmaris::cli
