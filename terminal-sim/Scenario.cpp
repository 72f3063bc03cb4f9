// SPDX-License-Identifier: GPL-3.0-or-later
#include "Scenario.h"

namespace kolmaris {

Scenario DefaultScenario()
{
    Scenario s;
    s.name = "default";

    auto probe = [](uint8_t address, const char* caption, uint32_t radon) {
        ElementSetup e;
        e.type = ElementType::Probe;
        e.meshAddress = address;
        e.caption = caption;
        e.probe.radonLevel = radon;
        e.rssi = static_cast<uint8_t>(50 - 4 * address);
        e.voltage = 3.55 + 0.03 * address;
        return e;
    };
    s.elements.push_back(probe(1, "Cellar", 410));
    s.elements.push_back(probe(2, "Living room", 95));
    s.elements.push_back(probe(3, "Bedroom", 140));

    ElementSetup actuator;
    actuator.type = ElementType::Actuator;
    actuator.meshAddress = 4;
    actuator.caption = "Cellar fan";
    actuator.voltage = 3.71;
    s.elements.push_back(actuator);

    ElementSetup repeater;
    repeater.type = ElementType::Repeater;
    repeater.meshAddress = 5;
    repeater.caption = "Staircase";
    repeater.voltage = 3.68;
    repeater.rssi = 58;
    s.elements.push_back(repeater);

    // A new probe, not yet bonded, waiting on its factory channel.
    ElementSetup newcomer = probe(0, "New probe", 160);
    newcomer.channel = 17;
    newcomer.p2pAddress = 0x2A;
    s.elements.push_back(newcomer);

    return s;
}

}  // namespace kolmaris
