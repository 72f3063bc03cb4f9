// SPDX-License-Identifier: GPL-3.0-or-later
// Scenario files: overrides, the errors a hand-written file earns (one printable line whatever
// the file holds), the writer's round trip over every shipped file, and the file --scenario names.
#include "CommandLine.h"
#include "ScenarioDirectory.h"
#include "ScenarioJson.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace kolmaris {
namespace {
namespace fs = std::filesystem;

Scenario Parse(const std::string& json)
{
    const ScenarioLoad load = ParseScenarioJson(json, "hand.json");
    EXPECT_TRUE(load.scenario.has_value()) << load.error;
    return load.scenario.value_or(Scenario{});
}

TEST(ScenarioJson, KeysOverrideOnlyWhatTheyName)
{
    const Scenario s = Parse(R"({"seed": "18446744073709551615",
        "terminal": {"channel": 17, "firmwareVersion": "0x0301", "startTime": "2024-02-29 23:59:59"},
        "faults": {"refusedCommands": [74, "0x4B"], "answerFaults": [{"kind": "busy", "command": "0x3A"}]},
        "elements": [{"type": "actuator", "meshAddress": 3, "actuator": {"relayFailure": true}}]})");
    EXPECT_EQ(s.seed, 18446744073709551615u);
    EXPECT_EQ(s.terminal.channel, 17);
    EXPECT_EQ(s.terminal.firmwareVersion, 0x0301);
    EXPECT_EQ(s.terminal.startTime, 762566399u);
    EXPECT_EQ(s.terminal.power, DefaultScenario().terminal.power);
    EXPECT_EQ(s.faults.refusedCommands, (std::vector<uint8_t>{0x4A, 0x4B}));
    ASSERT_EQ(s.faults.answerFaults.size(), 1u);
    EXPECT_EQ(s.faults.answerFaults[0].command, 0x3A);
    ASSERT_EQ(s.elements.size(), 1u);
    EXPECT_EQ(s.elements[0].type, ElementType::Actuator);
    EXPECT_TRUE(s.elements[0].actuator.relayFailure);
}

TEST(ScenarioJson, MistakesNameTheKeyAndLeaveNoScenario)
{
    const std::pair<const char*, const char*> cases[] = {
        {R"({"terminal": {"chanel": 5}})", R"(hand.json: unknown key "terminal.chanel")"},
        {R"({"terminal": {"power": 8}})", R"("terminal.power": expected an integer 0..7, found 8)"},
        {R"({"terminal": {"startTime": "2025-02-29 10:00:00"}})", R"("terminal.startTime": expected "YYYY-MM-DD)"},
        {R"({"seed": -1})", R"("seed": expected an integer 0..18446744073709551615)"},
        {R"({"elements": [{"meshAddress": 2}, {"meshAddress": 2}]})",
         R"("elements[1].meshAddress": MESH address 2 is taken by an earlier element)"},
        {R"({"elements": [{"caption": "Seventeen chars.."}]})",
         R"("elements[0].caption": expected text of at most 16)"},
        {R"({"memory": {"days": 366}})", R"("memory.days": expected a number 0..365, found 366)"},
        {"{\n  \"seed\": 1,\n  \"name\" \"x\"\n}", "hand.json: not valid JSON at offset 25 (line 3, column 11): "},
        // The file's control characters are escaped: the error stays one printable line.
        {R"({"a\nb": 1})", R"("a\nb")"},
        {R"({"\u001b[2J": 1})", R"("\x1b[2J")"},
        {R"({"\u009b1m": 1})", R"("\u009b1m")"},
        {R"({"seed": "\t\u007f"})", R"("\t\x7f")"},
    };
    for (const auto& [json, message] : cases) {
        const ScenarioLoad load = ParseScenarioJson(json, "hand.json");
        EXPECT_FALSE(load.scenario.has_value()) << json;
        EXPECT_NE(load.error.find(message), std::string::npos) << load.error;
        EXPECT_TRUE(
            std::none_of(load.error.begin(), load.error.end(), [](unsigned char c) { return c < 0x20 || c == 0x7F; }));
        EXPECT_EQ(load.error.find("\xC2\x9B"), std::string::npos);
    }
    const fs::path missing = fs::temp_directory_path() / "kolmaris-no-such-scenario.json";
    EXPECT_EQ(LoadScenarioFile(missing).error.rfind(missing.string() + ": cannot read the file", 0), 0u);
}

TEST(ScenarioJson, EveryShippedFileRoundTripsThroughTheWriter)
{
    int files = 0;
    for (const auto& entry : fs::directory_iterator(KOLMARIS_SCENARIO_DIR)) {
        const ScenarioLoad load = LoadScenarioFile(entry.path());
        ASSERT_TRUE(load.scenario.has_value()) << load.error;
        const std::string json = ScenarioToJson(*load.scenario);
        EXPECT_EQ(ScenarioToJson(Parse(json)), json) << entry.path();
        if (entry.path().filename() == "default.json") {
            EXPECT_EQ(json, ScenarioToJson(DefaultScenario()));
        }
        // The network scenarios: the default system with one fault each.
        if (entry.path().filename() == "element-out-of-range.json") {
            EXPECT_FALSE(load.scenario->elements.at(2).inRange);
        }
        if (entry.path().filename() == "channel-refused.json") {
            const auto& f = load.scenario->faults.answerFaults;
            EXPECT_TRUE(f.size() == 1 && f[0].kind == AnswerFaultKind::Refused && f[0].address == 2 &&
                        f[0].command == 0x88);
        }
        ++files;
    }
    EXPECT_GE(files, 4);
}

// A bare name is a scenario of the shipped directory, with or without ".json"; a file that
// exists or a path with a directory part stands as it is.
TEST(ScenarioDirectory, BareNamesComeFromTheDirectoryPathsStandAsGiven)
{
    const fs::path dir = fs::temp_directory_path() / "kolmaris-test-scenarios";
    const fs::path elsewhere = fs::temp_directory_path() / "kolmaris-test-own-scenario.json";
    fs::remove_all(dir);
    fs::create_directories(dir / "sub.json");
    for (const fs::path& file : {dir / "full-mesh.json", dir / "default.json", dir / "notes.txt", elsewhere})
        std::ofstream(file) << "{}";

    EXPECT_EQ(ScenarioNames(dir), (std::vector<std::string>{"default", "full-mesh"}));
    const std::vector<std::pair<std::string, fs::path>> rows{
        {"full-mesh", dir / "full-mesh.json"},
        {"full-mesh.json", dir / "full-mesh.json"},
        {"default", dir / "default.json"},
        {elsewhere.string(), elsewhere},
        {"/no/such/dir/full-mesh.json", "/no/such/dir/full-mesh.json"},  // its load names it
        {"./full-mesh", "./full-mesh"},
        {"notes.txt", {}},
        {"notes", {}},
        {"sub", {}},
        {"sub.json", {}},
        {"empty-system", {}},
        {"..", {}},
        {"", {}},
    };
    for (const auto& [argument, file] : rows)
        EXPECT_EQ(ResolveScenarioFile(argument, dir), file) << argument;
    EXPECT_EQ(ResolveScenarioFile("full-mesh", {}), fs::path());
    EXPECT_EQ(UnknownScenarioText("fullmesh", dir, ScenarioNames(dir)),
              "no scenario file \"fullmesh\", nor a scenario of that name in " + dir.string() +
                  "; there are: default, full-mesh");
    fs::remove_all(dir);
    fs::remove(elsewhere);
}

// Run from the build tree, the program takes the source tree's scenarios, and its help lists
// them all.
TEST(ScenarioDirectory, TheBuildTreeUsesTheShippedFilesAndTheHelpNamesThem)
{
    const fs::path dir = ShippedScenarioDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_TRUE(fs::equivalent(dir, KOLMARIS_SCENARIO_DIR));
    const std::vector<std::string> names = ScenarioNames(dir);
    EXPECT_GE(names.size(), 8u);
    EXPECT_NE(std::find(names.begin(), names.end(), "full-mesh"), names.end());
    const std::string help = HelpText("/run/user/1000/kolmaris/ports", names);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string item = names[i] + (i + 1 < names.size() ? "," : "\n");
        EXPECT_TRUE(help.find(" " + item) != std::string::npos) << item << " in\n" << help;
    }
}

}  // namespace
}  // namespace kolmaris
