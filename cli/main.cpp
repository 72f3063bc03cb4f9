// SPDX-License-Identifier: GPL-3.0-or-later
// kolmaris-cli: the terminal's state, its data memory and its probes' data from the command
// line, on the same code as the program's windows. See --help.
#include "CommandLine.h"
#include "Commands.h"
#include "Console.h"
#include "HelpTexts.h"
#include "PortDirectory.h"
#include "StopSignals.h"
#include "SystemSerialPort.h"
#include "TerminalConnection.h"

#ifdef KOLMARIS_CLI_WITH_QT
#include "ReportCommand.h"

#include <QCoreApplication>
#endif

#include <iostream>
#include <string_view>

namespace {

using namespace kolmaris;
using namespace kolmaris::cli;

int Code(Exit exit)
{
    return static_cast<int>(exit);
}

Exit RunOnTerminal(const CliOptions& options)
{
    TerminalConnection connection;
    std::string error;
    if (!connection.Connect(options, error, options.verbose ? &std::cerr : nullptr)) {
        ReportError(std::cerr, error);
        return Exit::NoTerminal;
    }
    ProgressBar progress(std::cerr, platform::IsTerminal(stderr));
    CommandIo io{std::cout, std::cerr, progress, StopRequested};
    StepLink& link = connection.Link();
    Exit exit = Exit::Ok;
    switch (options.command) {
        case Command::Status:
            exit = RunStatus(link, connection.Where(), options.attempts, io);
            break;
        case Command::Download:
            DeferStop(true);
            exit = RunDownload(link, options.out, options.continues, io,
                               {options.useArchive, options.archive, options.station, options.newOnly});
            break;
        case Command::Records:
            DeferStop(true);
            exit = RunRecords(link, options, io);
            break;
        case Command::Spectra:
            DeferStop(true);
            exit = RunSpectra(link, options, io);
            break;
        case Command::Clock:
            exit = RunClock(link, options, io);
            break;
        case Command::Mesh:
            DeferStop(true);
            exit = RunMesh(link, options.attempts, options.format, io);
            break;
        case Command::Ports:
        case Command::Archive:
        case Command::History:
            break;
    }
    if (options.stats)
        std::cout << connection.StatsText() << std::endl;
    return exit;
}

// The archive, history and report need Qt: the archive is on Qt SQL, the report's PDF on Qt GUI.
#ifndef KOLMARIS_CLI_WITH_QT
int NotAvailable(const std::string& what)
{
    ReportError(std::cerr, what + ": not available in this build");
    return Code(Exit::Usage);
}
#endif

}  // namespace

int main(int argc, char** argv)
{
#ifdef KOLMARIS_CLI_WITH_QT
    // The report makes its own application: the PDF needs a QGuiApplication, no other command does.
    if (argc > 1 && std::string_view(argv[1]) == "report")
        return ReportMain(argc, argv);
    QCoreApplication application(argc, argv);  // the serial port works best with one
#else
    if (argc > 1 && std::string_view(argv[1]) == "report")
        return NotAvailable("report");
#endif
    InstallStopHandlers();
    platform::UseUtf8Console();  // "°C" on a Windows console

    const ParsedCommandLine parsed =
        ParseCommandLine({const_cast<const char* const*>(argv) + 1, static_cast<std::size_t>(argc > 0 ? argc - 1 : 0)});
    if (parsed.programHelp) {
        std::cout << ProgramHelp(PortDirectoryPath()) << std::flush;
        return Code(Exit::Ok);
    }
    if (parsed.version) {
        std::cout << "kolmaris-cli " KOLMARIS_VERSION "\n" << std::flush;
        return Code(Exit::Ok);
    }
    if (!parsed.options) {
        const std::string help = parsed.command
                                     ? "kolmaris-cli " + std::string(CommandName(*parsed.command)) + " --help"
                                     : "kolmaris-cli --help";
        ReportError(std::cerr, parsed.error + " (see " + help + ")");
        return Code(Exit::Usage);
    }
    const CliOptions& options = *parsed.options;
#ifndef KOLMARIS_CLI_WITH_QT
    if (options.command == Command::Archive || options.command == Command::History)
        return NotAvailable(CommandName(options.command));
    if (options.useArchive)
        return NotAvailable(std::string(CommandName(options.command)) + " --archive");
#endif
    if (options.help) {
        std::cout << CommandHelp(options.command, PortDirectoryPath()) << std::flush;
        return Code(Exit::Ok);
    }
    if (options.command == Command::Ports) {
        SystemSerialPort port;
        return Code(RunPorts(port, PortDirectoryPath(), std::cout));
    }
#ifdef KOLMARIS_CLI_WITH_QT
    if (options.command == Command::Archive || options.command == Command::History) {
        ProgressBar progress(std::cerr, false);
        CommandIo io{std::cout, std::cerr, progress};
        return Code(options.command == Command::Archive ? RunArchive(options, io) : RunHistory(options, io));
    }
#endif
    return Code(RunOnTerminal(options));
}
