// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProbeAccess.h"

#include "MeasuringSystem.h"
#include "Requests.h"
#include "TerminalCommands.h"

#include <algorithm>

namespace kolmaris::cli {

std::string CheckRadonProbe(StepLink& link, int attempts, uint8_t address)
{
    const std::string name = "MESH address " + std::to_string(address);
    MeasuringSystem model;
    const ExchangeResult map = ReadBondedList(link, attempts, model);
    if (!map.Ok())
        return "cannot read the bonding map: " + map.Text();
    const auto end = model.BondedList.end();
    if (std::find(model.BondedList.begin(), end, address) == end)
        return name + " is not bonded";
    uint8_t function = 0;
    if (const uint32_t read = Retried(attempts, [&] { return ReadElementKind(link, address, function); }); read != kOk)
        return "cannot read the function of " + name + ": " + ResultText(read);
    if (function != kFunctionProbe)
        return name + " is not a radon probe but " + FunctionName(function);
    return {};
}

bool AcquisitionPause::Stop(StepLink& link, int attempts, std::string& error)
{
    uint8_t state = 0;
    uint32_t countdown = 0;
    uint32_t period = 0;
    uint16_t cycles = 0;
    const uint32_t read =
        Retried(attempts, [&] { return ReadAcquisitionState(link, state, countdown, period, cycles); });
    if (read != kOk) {
        error = "cannot read the state of data acquisition: " + ResultText(read);
        return false;
    }
    wasRunning_ = (state & 0x01) != 0;
    if (!wasRunning_)
        return true;
    if (const uint32_t stop = Retried(attempts, [&] { return SetAcquisition(link, kAcquisitionStop); }); stop != kOk) {
        error = "data acquisition cannot be stopped: " + ResultText(stop);
        return false;
    }
    return true;
}

std::string AcquisitionPause::Resume(StepLink& link, int attempts)
{
    if (!wasRunning_)
        return {};
    const uint32_t resumed = Retried(attempts, [&] { return SetAcquisition(link, kAcquisitionContinue); });
    return resumed == kOk ? std::string() : "data acquisition could not be continued: " + ResultText(resumed);
}

}  // namespace kolmaris::cli
