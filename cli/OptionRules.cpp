// SPDX-License-Identifier: GPL-3.0-or-later
#include "OptionRules.h"

#include <charconv>

namespace kolmaris::cli {

std::optional<int> ParseInt(std::string_view text)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<TerminalTime> ParseDate(std::string_view text, bool endOfDay)
{
    const auto part = [&](std::size_t at, std::size_t n) { return ParseInt(text.substr(at, n)); };
    if ((text.size() != 10 && text.size() != 16) || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    const auto year = part(0, 4), month = part(5, 2), day = part(8, 2);
    if (!year || !month || !day || *year < 2000 || *year > 2099 || *day < 1 || *day > 31)
        return std::nullopt;
    TimeFields fields{*year - 2000, *month, *day, endOfDay ? 23 : 0, endOfDay ? 59 : 0, endOfDay ? 59 : 0};
    if (text.size() == 16) {
        const auto hour = part(11, 2), minute = part(14, 2);
        if ((text[10] != ' ' && text[10] != 'T') || text[13] != ':' || !hour || !minute)
            return std::nullopt;
        fields.hour = *hour;
        fields.minute = *minute;
        fields.second = 0;
    }
    TerminalTime time = 0;
    if (FieldsToTime(fields, time) != kFieldsOk)
        return std::nullopt;
    // The day is checked against its month here: 31 February is no date.
    const TimeFields back = TimeToFields(time);
    if (back.day != fields.day || back.month != fields.month)
        return std::nullopt;
    return time;
}

CLI::Validator Needs(const std::string& what, std::function<bool(const std::string&)> accepts, bool quoted)
{
    return CLI::Validator(
        [what, accepts = std::move(accepts), quoted](std::string& value) -> std::string {
            if (accepts(value) && !value.starts_with("--"))
                return {};
            if (!quoted || value.starts_with("--"))
                return "needs " + what;
            return "needs " + what + ", not \"" + value + "\"";
        },
        what);
}


CLI::Option* Text(CLI::App& app, const char* name, std::string& field, const char* what)
{
    return app.add_option(name, field, what)->check(Needs(what, [](const std::string& text) { return !text.empty(); }));
}

void Flag(CLI::App& app, const char* name, bool& field)
{
    app.add_flag(name, field)->disable_flag_override();
}

std::string RefusalText(const CLI::ParseError& error, const CLI::App& app)
{
    const std::string what = error.what();
    const std::string name = what.substr(0, what.find_first_of(": "));
    if (dynamic_cast<const CLI::ValidationError*>(&error) != nullptr)
        return name + " " + what.substr(name.size() + 2);
    if (what.ends_with("was given a disallowed flag override"))  // named without its dashes
        return (name.size() == 1 ? "-" : "--") + name + " takes no value";
    if (const CLI::Option* option = app.get_option_no_throw(name); option != nullptr)
        return name + " needs " + option->get_description();
    return what;
}


}  // namespace kolmaris::cli
