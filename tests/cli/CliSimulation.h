#pragma once
// The commands of kolmaris-cli run in-process against a simulated terminal: the link on the
// in-memory line (no wall clock), the command's output captured, and a port between them
// that can swallow requests to make the terminal miss them.

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

// Passes everything through, except that writes can be swallowed (reported as taken, never
// delivered): the terminal then does not answer those requests.
class MutingPort final : public SerialPort {
public:
    explicit MutingPort(SerialPort& inner) : inner_(inner) {}

    // After `pass` more writes, the following `swallow` writes go nowhere.
    void Mute(int pass, int swallow)
    {
        pass_ = pass;
        swallow_ = swallow;
    }

    bool OpenPort(uint8_t port, uint32_t baud, uint8_t byteSize, uint8_t stopBits, uint8_t parity) override
    {
        return inner_.OpenPort(port, baud, byteSize, stopBits, parity);
    }
    bool ClosePort() override { return inner_.ClosePort(); }
    uint32_t WriteBytes(const uint8_t* data, uint32_t count) override
    {
        if (pass_ > 0) {
            --pass_;
        } else if (swallow_ > 0) {
            --swallow_;
            return count;
        }
        return inner_.WriteBytes(data, count);
    }
    void PurgePort() override { inner_.PurgePort(); }
    bool IsOpen() const override { return inner_.IsOpen(); }
    PortError LastError() const override { return inner_.LastError(); }

protected:
    bool ReadByte(uint8_t& byte) override
    {
        if (!inner_.ByteAvailable())
            return false;
        byte = inner_.TakeByte();
        return true;
    }

private:
    SerialPort& inner_;
    int pass_ = 0;
    int swallow_ = 0;
};

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

    std::string Out() const { return out.str(); }
    std::string Err() const { return err.str(); }

    SimulatedTerminal terminal;
    SimulatedPort line;
    MutingPort port{line.Port()};
    StepLink link{port, line.GetClock()};
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
