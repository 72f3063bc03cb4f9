// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What every command line of kolmaris-cli shares: numbers, dates on the terminal's clock, and the
// one-line refusals of CLI11's parser ("--port needs a number from 1 to 255, not "x"").

#include "TerminalTime.h"

#include <CLI/CLI.hpp>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kolmaris::cli {

// A whole decimal number, the whole text.
std::optional<int> ParseInt(std::string_view text);

// "YYYY-MM-DD" or "YYYY-MM-DD hh:mm" (also with a "T" between) of the years 2000-2099, on the
// terminal's clock; a day alone is its first second, or its last when `endOfDay`.
std::optional<TerminalTime> ParseDate(std::string_view text, bool endOfDay);

// The refusal of a value: "needs WHAT, not "VALUE"", or without the value when `quoted` is false.
// A value that looks like an option is one left out. The option's name goes before the text.
CLI::Validator Needs(const std::string& what, std::function<bool(const std::string&)> accepts, bool quoted = true);

// What a value option needs is its description: the refusal of a missing value names it.
template <class Field>
void Number(CLI::App& app, const char* name, Field& field, int low, int high, const char* what = "a number")
{
    const std::string needs = std::string(what) + " from " + std::to_string(low) + " to " + std::to_string(high);
    app.add_option(name, field, needs)->check(Needs(needs, [low, high](const std::string& text) {
        const auto n = ParseInt(text);
        return n && *n >= low && *n <= high;
    }));
}

CLI::Option* Text(CLI::App& app, const char* name, std::string& field, const char* what);
void Flag(CLI::App& app, const char* name, bool& field);

// The one line a refusal of the library's parser becomes: "--port needs ...", "--stats takes no value".
std::string RefusalText(const CLI::ParseError& error, const CLI::App& app);

}  // namespace kolmaris::cli
