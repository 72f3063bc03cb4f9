// SPDX-License-Identifier: GPL-3.0-or-later
// kolmaris_fuzz_seeds DIR: a small seed corpus for each fuzz target, made by the program's own
// code: the requests and replies of a run of every reply decoder against the simulated terminal,
// a stretch of its data memory as the download feeds it, written configuration and scenario files.
#include "ConfigFile.h"
#include "ReplyDecoders.h"
#include "ScenarioJson.h"
#include "SimulatedPort.h"
#include "StepCodec.h"

#include <fstream>
#include <iostream>

namespace {

using namespace kolmaris;
namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// Forwards to the simulated line and keeps every byte read.
class RecordingPort final : public SerialPort {
public:
    explicit RecordingPort(SerialPort& inner) : inner_(inner) {}
    bool OpenPort(uint8_t port, uint32_t baud, uint8_t byteSize, uint8_t stopBits, uint8_t parity) override
    {
        return inner_.OpenPort(port, baud, byteSize, stopBits, parity);
    }
    bool ClosePort() override { return inner_.ClosePort(); }
    uint32_t WriteBytes(const uint8_t* data, uint32_t count) override { return inner_.WriteBytes(data, count); }
    void PurgePort() override { inner_.PurgePort(); }
    bool IsOpen() const override { return inner_.IsOpen(); }
    PortError LastError() const override { return inner_.LastError(); }
    Bytes read;

protected:
    bool ReadByte(uint8_t& byte) override
    {
        if (!inner_.ByteAvailable())
            return false;
        byte = inner_.TakeByte();
        read.push_back(byte);
        return true;
    }

private:
    SerialPort& inner_;
};

void Put(const fs::path& file, const Bytes& bytes)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

Bytes Text(const std::string& text)
{
    return {text.begin(), text.end()};
}

// The reply payloads in a received stream, each as [length][bytes].
Bytes ReplyChunks(const Bytes& stream)
{
    Bytes chunks;
    for (std::size_t start = 0; start < stream.size(); ++start) {
        if (stream[start] != kFrameStart)
            continue;
        for (std::size_t end = start + 1; end < stream.size() && end - start < kReceiveBufferBytes; ++end) {
            std::array<uint8_t, kMaxReplyPayload> payload{};
            std::size_t length = 0;
            if (DecodeFrame(&stream[start], end - start + 1, stream[end], std::nullopt, payload.data(), length) == kOk) {
                chunks.push_back(static_cast<uint8_t>(length));
                chunks.insert(chunks.end(), payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(length));
                break;
            }
        }
    }
    return chunks;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: kolmaris_fuzz_seeds DIR\n";
        return 2;
    }
    const fs::path dir = argv[1];
    SimulatedTerminal terminal(DefaultScenario());
    SimulatedPort line(terminal, 3);
    RecordingPort port(line.Port());
    StepLink link(port, line.GetClock());
    if (link.DetectTerminal(3) != kOk) {
        std::cerr << "kolmaris_fuzz_seeds: the simulated terminal did not answer\n";
        return 1;
    }
    fuzz::CallEveryDecoder(link);
    const Bytes& requests = line.Memory().Written();
    Put(dir / "fuzz_sim_requests" / "run", requests);
    Put(dir / "fuzz_frames" / "replies", [&] {
        Bytes b{0};
        b.insert(b.end(), port.read.begin(), port.read.end());
        return b;
    }());
    Put(dir / "fuzz_replies" / "run", ReplyChunks(port.read));

    // The download feeds the memory backwards from the write pointer.
    const auto memory = terminal.Memory();
    Bytes stream{0xFF};
    for (uint32_t i = 1; i <= 4096; ++i)
        stream.push_back(memory[(terminal.MemoryPointer() - i) & (memory.size() - 1)]);
    Put(dir / "fuzz_data_store" / "memory", stream);

    for (const LinkSettings& settings : {LinkSettings{}, LinkSettings{300, 1500, 15}}) {
        const fs::path file = dir / "fuzz_config_file" / ("cfg-" + std::to_string(settings.configuredPort));
        fs::create_directories(file.parent_path());
        SaveConfig(file, settings);
    }
    Put(dir / "fuzz_scenario" / "default.json", Text(ScenarioToJson(DefaultScenario())));
    Put(dir / "fuzz_scenario" / "empty.json", Text(ScenarioToJson(Scenario{})));
    return 0;
}
