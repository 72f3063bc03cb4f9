// SPDX-License-Identifier: GPL-3.0-or-later
#include "FunctionAssign.h"

#include "DecimalInput.h"
#include "Session.h"
#include "TerminalCommands.h"

namespace kolmaris {

namespace {

constexpr uint16_t kFunctionBits = 0x07;

void KeepFunction(Session& session, uint8_t address, uint8_t function)
{
    uint16_t& kind = session.model.ElementTable[address].status.kind;
    kind = static_cast<uint16_t>((kind & ~kFunctionBits) | (function & kFunctionBits));
}

}  // namespace

std::optional<uint8_t> SelectedAddress(const QString& text)
{
    const int address = ReadDecimal(text.toStdString());
    if (address < 1 || address >= kTableSlots)
        return std::nullopt;
    return static_cast<uint8_t>(address);
}

std::optional<uint8_t> ReadFunction(Session& session, uint8_t address)
{
    uint8_t function = 0;
    if (address == 0 || address >= kTableSlots || ReadElementKind(session.link, address, function) != kOk)
        return std::nullopt;
    KeepFunction(session, address, function);
    return function;
}

bool AssignFunction(Session& session, QWidget* window, uint8_t address, uint8_t function, const QString& doneText)
{
    if (address == 0 || address >= kTableSlots || SetElementFunction(session.link, address, function) != kOk) {
        session.dialogs.Message(window, QStringLiteral("Error!"), QStringLiteral("Command disabled!"),
                                MessageButtons::Ok, MessageIcon::Error);
        return false;
    }
    KeepFunction(session, address, function);
    session.dialogs.Message(window, QStringLiteral("Message"), doneText.arg(address), MessageButtons::Ok,
                            MessageIcon::Information);
    return true;
}

}  // namespace kolmaris
