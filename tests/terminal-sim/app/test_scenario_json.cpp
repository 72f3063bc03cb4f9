// Scenario files: defaults, overrides, the files shipped with the simulator, every error a
// hand-written file can earn, and the writer's round trip.
#include "ScenarioCompare.h"
#include "ScenarioJson.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

namespace kolmaris {
namespace {
namespace fs = std::filesystem;
using testing::ExpectSameScenario;

Scenario Parse(const std::string& json, const std::string& source = "lab.json")
{
    const ScenarioLoad load = ParseScenarioJson(json, source);
    EXPECT_TRUE(load.scenario.has_value()) << load.error;
    EXPECT_EQ(load.error, "");
    return load.scenario.value_or(Scenario{});
}

std::string ParseError(const std::string& json)
{
    const ScenarioLoad load = ParseScenarioJson(json, "hand.json");
    EXPECT_FALSE(load.scenario.has_value()) << json;
    return load.error;
}

TEST(ScenarioJson, AnEmptyObjectIsTheBuiltInSystemNamedAfterTheFile)
{
    Scenario expected = DefaultScenario();
    expected.name = "lab";
    ExpectSameScenario(expected, Parse("{}", "/some/dir/lab.json"));
    EXPECT_EQ(Parse(R"({"name": "Sklep \u00fa 1", "description": "Radon \u00b5 \n notes"})").name, "Sklep \u00fa 1");

    const Scenario empty = Parse(R"({"base": "empty"})");
    ExpectSameScenario([] { Scenario s; s.name = "lab"; return s; }(), empty);
    EXPECT_TRUE(empty.elements.empty());
}

TEST(ScenarioJson, KeysOverrideOnlyWhatTheyName)
{
    const Scenario s = Parse(R"({
        "seed": "18446744073709551615",
        "terminal": {"channel": 17, "firmwareVersion": "0x0301", "startTime": "2024-02-29 23:59:59",
                     "environment": {"temperatureC": -5.5}},
        "memory": {"wrapped": true},
        "faults": {"corruptionRate": 0.01, "refusedCommands": [74, "0x4B"],
                   "answerFaults": [{"kind": "busy", "address": 255, "command": "0x3A"}, {"kind": "wrongLength"}]}
    })");
    EXPECT_EQ(s.seed, 18446744073709551615u);
    EXPECT_EQ(s.terminal.channel, 17);
    EXPECT_EQ(s.terminal.firmwareVersion, 0x0301);
    EXPECT_EQ(s.terminal.startTime, 762566399u);
    EXPECT_DOUBLE_EQ(s.terminal.environment.temperatureC, -5.5);
    EXPECT_DOUBLE_EQ(s.terminal.environment.pressureHpa, 986.0);
    EXPECT_EQ(s.terminal.power, 7);
    EXPECT_TRUE(s.memory.wrapped);
    EXPECT_DOUBLE_EQ(s.memory.days, 14.0);
    EXPECT_DOUBLE_EQ(s.faults.corruptionRate, 0.01);
    EXPECT_EQ(s.faults.refusedCommands, (std::vector<uint8_t>{0x4A, 0x4B}));
    ASSERT_EQ(s.faults.answerFaults.size(), 2u);
    EXPECT_EQ(s.faults.answerFaults[0].kind, AnswerFaultKind::Busy);
    EXPECT_EQ(s.faults.answerFaults[0].address, 0xFF);
    EXPECT_EQ(s.faults.answerFaults[0].command, 0x3A);
    EXPECT_EQ(s.faults.answerFaults[1].kind, AnswerFaultKind::WrongLength);
    EXPECT_EQ(s.faults.answerFaults[1].command, -1);
    EXPECT_EQ(s.faults.answerFaults[1].count, 1);
    EXPECT_EQ(s.elements.size(), DefaultScenario().elements.size());

    EXPECT_EQ(Parse(R"({"terminal": {"startTime": 794916000}})").terminal.startTime, 794916000u);
    EXPECT_EQ(Parse(R"({"terminal": {"startTime": "2025-03-10 10:00:00"}})").terminal.startTime, 794916000u);
    const TerminalTime now = Parse(R"({"terminal": {"startTime": "now"}})").terminal.startTime;
    EXPECT_GT(now, 794916000u);  // any day after the simulator was written
}

TEST(ScenarioJson, AnElementsArrayReplacesTheElementsAndStartsEachFromPlainDefaults)
{
    const Scenario s = Parse(R"({"elements": [
        {"type": "actuator", "meshAddress": 3, "function": 9, "actuator": {"mode": 1, "relayFailure": true}},
        {"caption": "Loft", "channel": null, "probe": {"recordMinutes": 15}}
    ]})");
    ASSERT_EQ(s.elements.size(), 2u);
    EXPECT_EQ(s.elements[0].type, ElementType::Actuator);
    EXPECT_EQ(s.elements[0].meshAddress, 3);
    EXPECT_EQ(s.elements[0].function, std::optional<uint8_t>(9));
    EXPECT_EQ(s.elements[0].actuator.mode, 1);
    EXPECT_TRUE(s.elements[0].actuator.relayFailure);
    EXPECT_EQ(s.elements[1].type, ElementType::Probe);
    EXPECT_EQ(s.elements[1].meshAddress, 0);
    EXPECT_EQ(s.elements[1].caption, "Loft");
    EXPECT_FALSE(s.elements[1].channel.has_value());
    EXPECT_EQ(s.elements[1].probe.recordMinutes, 15);
    EXPECT_EQ(s.elements[1].probe.gain, 128);
    EXPECT_TRUE(Parse(R"({"elements": []})").elements.empty());
}

TEST(ScenarioJson, MistakesNameTheKeyAndLeaveNoScenario)
{
    const std::pair<const char*, const char*> cases[] = {
        {R"({"terminal": {"chanel": 5}})", R"(hand.json: unknown key "terminal.chanel" (known here: )"},
        {R"({"seeds": 5})", R"(hand.json: unknown key "seeds")"},
        {R"({"elements": [{}, {"probe": {"gain": "high"}}]})",
         R"(hand.json: "elements[1].probe.gain": expected an integer 0..255, found "high")"},
        {R"({"terminal": {"power": 8}})", R"("terminal.power": expected an integer 0..7, found 8)"},
        {R"({"terminal": {"power": 2.5}})", R"("terminal.power": expected an integer 0..7, found 2.5)"},
        {R"({"terminal": {"power": "0x"}})", R"("terminal.power": expected an integer 0..7, found "0x")"},
        {R"({"terminal": {"acquisitionRunning": 1}})", R"("terminal.acquisitionRunning": expected true or false)"},
        {R"({"terminal": {"environment": {"humidityPercent": 101}}})",
         R"("terminal.environment.humidityPercent": expected a number 0..100, found 101)"},
        {R"({"terminal": {"startTime": "2025-02-29 10:00:00"}})", R"("terminal.startTime": expected "YYYY-MM-DD)"},
        {R"({"terminal": {"startTime": "2025-03-10 10:00"}})", R"("terminal.startTime": expected)"},
        {R"({"terminal": true})", R"(hand.json: "terminal": expected an object, found true)"},
        {R"({"seed": -1})", R"("seed": expected an integer 0..18446744073709551615 (in quotes above 2^53), found -1)"},
        {R"({"seed": "18446744073709551616"})", R"("seed": expected an integer)"},
        {R"({"base": "full"})", R"("base": expected one of "default", "empty", found "full")"},
        {R"({"name": 7})", R"("name": expected text of at most 64 bytes without control characters, found 7)"},
        {R"({"name": "tab\there"})", R"("name": expected text of at most 64 bytes)"},
        {R"({"description": ["a"]})", R"("description": expected text, found an array)"},
        {R"({"elements": {}})", R"("elements": expected an array, found an object)"},
        {R"({"elements": [null]})", R"("elements[0]": expected an object, found null)"},
        {R"({"elements": [{"type": "sensor"}]})", R"("elements[0].type": expected one of "repeater")"},
        {R"({"elements": [{"meshAddress": 2}, {"meshAddress": 2}]})",
         R"("elements[1].meshAddress": MESH address 2 is taken by an earlier element)"},
        {R"({"elements": [{"meshAddress": 17}]})", R"("elements[0].meshAddress": expected an integer 0..16)"},
        {R"({"elements": [{"caption": "Seventeen chars.."}]})", R"("elements[0].caption": expected text of at most 16)"},
        {R"({"elements": [{"caption": "Sklep\u00ed"}]})", R"("elements[0].caption": expected text)"},
        {R"({"elements": [{"prob": {}}]})", R"(unknown key "elements[0].prob")"},
        {R"({"faults": {"refusedCommands": [74, 256]}})",
         R"("faults.refusedCommands[1]": expected an integer 0..255, found 256)"},
        {R"({"faults": {"answerFaults": [{"kind": "slow"}]}})", R"("faults.answerFaults[0].kind": expected one of)"},
        {R"({"faults": {"corruptionRate": "1%"}})", R"("faults.corruptionRate": expected a number 0..1, found "1%")"},
        {R"({"memory": {"days": 366}})", R"("memory.days": expected a number 0..365, found 366)"},
        {R"([])", R"(hand.json: expected a JSON object at the top, found an array)"},
    };
    for (const auto& [json, message] : cases)
        EXPECT_NE(ParseError(json).find(message), std::string::npos) << json << "\n" << ParseError(json);

    std::string tooMany = R"({"elements": [)";
    for (int i = 0; i < 65; ++i)
        tooMany += i == 0 ? "{}" : ", {}";
    EXPECT_NE(ParseError(tooMany + "]}").find(R"("elements[64]": more than 64 elements)"), std::string::npos);
}

TEST(ScenarioJson, BrokenJsonGivesTheOffsetAndLine)
{
    const std::string error = ParseError("{\n  \"seed\": 1,\n  \"name\" \"x\"\n}");
    EXPECT_EQ(error.rfind("hand.json: not valid JSON at offset 25 (line 3, column 11): ", 0), 0u) << error;
    EXPECT_NE(ParseError("").find("hand.json: not valid JSON at offset 0"), std::string::npos);
    EXPECT_NE(ParseError("{\"seed\": 1").find("not valid JSON"), std::string::npos);
    EXPECT_NE(ParseError("{\"seed\": 1e999}").find("hand.json: "), std::string::npos);
}

class ScenarioFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "kolmaris-scenario-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path Write(const std::string& name, const std::string& text)
    {
        std::ofstream(dir_ / name, std::ios::binary) << text;
        return dir_ / name;
    }

    fs::path dir_;
};

TEST_F(ScenarioFileTest, FilesThatCannotBeReadNameTheFile)
{
    const fs::path missing = dir_ / "missing.json";
    const ScenarioLoad load = LoadScenarioFile(missing);
    EXPECT_FALSE(load.scenario.has_value());
    EXPECT_EQ(load.error.rfind(missing.string() + ": cannot read the file", 0), 0u) << load.error;

    EXPECT_EQ(LoadScenarioFile(dir_).error.rfind(dir_.string() + ": cannot read the file", 0), 0u);

    const fs::path huge = Write("huge.json", "{\"name\": \"" + std::string(1 << 20, 'a') + "\"}");
    EXPECT_EQ(LoadScenarioFile(huge).error, huge.string() + ": larger than 1048576 bytes, not a scenario");

    const fs::path broken = Write("broken.json", "{\"seed\": }");
    EXPECT_EQ(LoadScenarioFile(broken).error.rfind(broken.string() + ": not valid JSON at offset 10 (line 1, column 11)", 0), 0u)
        << LoadScenarioFile(broken).error;

    const ScenarioLoad good = LoadScenarioFile(Write("cellar-only.json", R"({"base": "empty", "seed": 9})"));
    ASSERT_TRUE(good.scenario.has_value()) << good.error;
    EXPECT_EQ(good.scenario->name, "cellar-only");
    EXPECT_EQ(good.scenario->seed, 9u);
}

TEST(ScenarioJson, TheWriterRoundTripsEverySetting)
{
    Scenario s;
    s.name = "every \"setting\"";
    s.seed = 0xFEDCBA9876543210u;
    TerminalSetup& t = s.terminal;
    t = {123456789, 0x0301, 99, 3, 2, 9, 0x55, 77, false, false, true, 60, 256, 1, true, 1000, 12.25, false,
         true, false, {1013.25, -12.5, 88.5}, 60.0};
    ElementSetup probe;
    probe.meshAddress = 16;
    probe.function = 14;
    probe.p2pAddress = 0x7F;
    probe.caption = "A \\ caption";
    probe.channel = 0;
    probe.power = 0;
    probe.iqrfMode = 3;
    probe.inRange = false;
    probe.rssi = 127;
    probe.foreignMeshAddress = 200;
    probe.voltage = 2.95;
    probe.probe = {1, 2, 3, 4000, 500, 6, 7, 88000, 4096, 511, 0xFFFFFFFF, false};
    ElementSetup actuator;
    actuator.type = ElementType::Actuator;
    actuator.actuator = {0, true};
    ElementSetup repeater;
    repeater.type = ElementType::Repeater;
    s.elements = {probe, actuator, repeater};
    s.memory = {0.5, true};
    s.faults = {{0x4A, 0x00, 0xFF}, {{AnswerFaultKind::Invalid, 7, 0x3A, -1}, {AnswerFaultKind::Refused, 0, -1, 2}},
                0, 0.125, 1.0, 1000, true};

    const std::string json = ScenarioToJson(s);
    ExpectSameScenario(s, Parse(json));
    EXPECT_EQ(ScenarioToJson(Parse(json)), json);
    EXPECT_NE(json.find(R"("startTime": "2003-11-29 21:33:09")"), std::string::npos) << json;
    EXPECT_NE(json.find(R"("refusedCommands": ["0x4A", "0x00", "0xFF"])"), std::string::npos);
    EXPECT_NE(json.find(R"("function": null)"), std::string::npos);
    ExpectSameScenario(DefaultScenario(), Parse(ScenarioToJson(DefaultScenario())));
}

// Whatever a file holds, the loader answers with a scenario or an error.
TEST(ScenarioJson, MangledFilesNeverCrash)
{
    const std::string original = ScenarioToJson(DefaultScenario());
    std::mt19937 rng(7);
    const std::string alphabet = "{}[]\",:0123456789.-+eE xtrufalsn\\";
    for (int round = 0; round < 2000; ++round) {
        std::string text = original;
        const int edits = 1 + int(rng() % 4);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = rng() % text.size();
            switch (rng() % 3) {
                case 0:
                    text[at] = alphabet[rng() % alphabet.size()];
                    break;
                case 1:
                    text.erase(at, 1 + rng() % 8);
                    break;
                default:
                    text.insert(at, 1, alphabet[rng() % alphabet.size()]);
            }
        }
        const ScenarioLoad load = ParseScenarioJson(text, "fuzz.json");
        EXPECT_NE(load.scenario.has_value(), !load.error.empty());
    }
}

}  // namespace
}  // namespace kolmaris
