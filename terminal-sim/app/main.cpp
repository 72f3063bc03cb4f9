// SPDX-License-Identifier: GPL-3.0-or-later
// kolmaris-terminal-sim: the simulated terminal, served on a pseudo-terminal registered as a
// COM port number. See --help.
#include "CommandLine.h"
#include "PortDirectory.h"
#include "PortRegistration.h"
#include "PtyServer.h"
#include "ScenarioDirectory.h"
#include "ScenarioJson.h"
#include "ServeLoop.h"
#include "SimulatedTerminal.h"

#include <csignal>
#include <cstdio>
#include <iostream>

namespace {

using namespace kolmaris;

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void RequestStop(int)
{
    stopRequested = 1;
}

// Ctrl-C, SIGTERM and a closed terminal window end the loop so that the port link is removed.
void InstallSignalHandlers()
{
    struct sigaction action{};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);  // a closed stdout must not kill us before the link is removed
}

int Fail(int code, const std::string& message)
{
    std::cerr << "kolmaris-terminal-sim: " << message << std::endl;
    return code;
}

// A number below 97 names a serial device of its own; the link hides it while we run.
void WarnIfHidingDevice(int port)
{
    const auto device = DevicePathForPort(port, {});
    std::error_code error;
    if (!device.empty() && std::filesystem::exists(device, error))
        std::cerr << "kolmaris-terminal-sim: note: COM " << port << " hides " << device.string()
                  << " while the simulator runs" << std::endl;
}

int Run(const SimOptions& options)
{
    const std::filesystem::path portDirectory = PortDirectoryPath();
    const std::filesystem::path scenarioDirectory = ShippedScenarioDirectory();
    if (options.help) {
        std::cout << HelpText(portDirectory, ScenarioNames(scenarioDirectory)) << std::flush;
        return kExitOk;
    }

    Scenario scenario = DefaultScenario();
    if (options.scenarioFile) {
        const std::filesystem::path file = ResolveScenarioFile(*options.scenarioFile, scenarioDirectory);
        if (file.empty())
            return Fail(kExitScenario, UnknownScenarioText(*options.scenarioFile, scenarioDirectory,
                                                           ScenarioNames(scenarioDirectory)));
        ScenarioLoad load = LoadScenarioFile(file);
        if (!load.scenario)
            return Fail(kExitScenario, load.error);
        scenario = std::move(*load.scenario);
    }
    if (options.seed)
        scenario.seed = *options.seed;
    const bool baudPacing = options.baudPacing || scenario.faults.baudPacing;
    if (options.dumpScenario) {
        std::cout << ScenarioToJson(scenario) << std::flush;
        return kExitOk;
    }

    SimulatedTerminal terminal(scenario);
    std::string error;
    const auto pty = PtyServer::Open(error);
    if (!pty)
        return Fail(kExitPty, error);
    const auto registration = PortRegistration::Register(options.port, pty->DevicePath(), portDirectory, error);
    if (!registration)
        return Fail(kExitPort, error);
    WarnIfHidingDevice(registration->Number());

    std::cout << "Kolmaris simulated terminal on "
              << FormatPortEntry({registration->Number(), pty->DevicePath()}) << ", scenario " << scenario.name
              << (baudPacing ? ", 19200 baud pacing" : "") << std::endl;
    if (!Serve(terminal, *pty, baudPacing, stopRequested, error))
        return Fail(kExitPty, error);
    std::cout << "Stopped after " << terminal.FramesReceived() << " requests; COM " << registration->Number()
              << " removed" << std::endl;
    return kExitOk;
}

}  // namespace

int main(int argc, char** argv)
{
    InstallSignalHandlers();
    const ParsedCommandLine parsed =
        ParseCommandLine({const_cast<const char* const*>(argv) + 1, static_cast<std::size_t>(argc > 0 ? argc - 1 : 0)});
    if (!parsed.options)
        return Fail(kExitUsage, parsed.error + " (see --help)");
    return Run(*parsed.options);
}
