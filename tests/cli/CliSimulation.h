// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The commands of kolmaris-cli run in-process against a simulated terminal: the link on the
// in-memory line (no wall clock), the command's output captured, and requests the terminal
// misses on demand.

#include "Commands.h"
#include "SimulatedPort.h"
#include "SimulatedTerminal.h"
#include "StepLink.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace kolmaris::cli::testing {

namespace fs = std::filesystem;

// A connected link to a simulated terminal on COM 3, and the captured output of a command.
struct CliSimulation {
    // The handshake is tried a few times: a noisy line may spoil one.
    explicit CliSimulation(const Scenario& scenario) : terminal(scenario), line(terminal, 3)
    {
        uint32_t detected = 1;
        for (int attempt = 0; attempt < 5 && detected != 0; ++attempt)
            detected = link.DetectTerminal(3);
        EXPECT_EQ(detected, 0u);
    }

    // After `pass` more writes, the following `swallow` writes go nowhere: the terminal does not
    // answer those requests.
    void Mute(int pass, int swallow)
    {
        line.Memory().SetPeer([this, pass, swallow](std::span<const uint8_t> written) mutable {
            if (pass-- > 0 || swallow-- <= 0) {
                terminal.Receive(written);
                line.Memory().Deliver(terminal.TakeOutput());
            }
        });
    }

    std::string Out() const { return out.str(); }
    std::string Err() const { return err.str(); }

    SimulatedTerminal terminal;
    SimulatedPort line;
    StepLink link{line.Port(), line.GetClock()};
    std::ostringstream out;
    std::ostringstream err;
    ProgressBar progress{err, false};
    CommandIo io{out, err, progress};
};

using kolmaris::testing::ReadFile;
using kolmaris::testing::TempDir;

inline std::vector<std::string> Lines(const std::string& text, char end = '\n')
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line, end);)
        lines.push_back(line);
    return lines;
}

// The files of a directory with their contents, by name.
inline std::map<std::string, std::string> Files(const fs::path& directory)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(directory))
        files[entry.path().filename().string()] = ReadFile(entry.path());
    return files;
}

}  // namespace kolmaris::cli::testing
