// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScenarioDirectory.h"

#include <algorithm>

namespace kolmaris {

namespace fs = std::filesystem;

namespace {

bool IsFile(const fs::path& path)
{
    std::error_code error;
    return fs::is_regular_file(path, error);
}

bool IsDirectory(const fs::path& path)
{
    std::error_code error;
    return fs::is_directory(path, error);
}

}  // namespace

fs::path ShippedScenarioDirectory()
{
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        const fs::path installed = (program.parent_path() / KOLMARIS_SCENARIOS_FROM_BINDIR).lexically_normal();
        if (IsDirectory(installed))
            return installed;
    }
    const fs::path sourceTree = KOLMARIS_SOURCE_SCENARIOS;
    return IsDirectory(sourceTree) ? sourceTree : fs::path();
}

std::vector<std::string> ScenarioNames(const fs::path& directory)
{
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
        if (it->path().extension() == ".json" && IsFile(it->path()))
            names.push_back(it->path().stem().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

fs::path ResolveScenarioFile(const std::string& argument, const fs::path& directory)
{
    const fs::path given = argument;
    if (IsFile(given) || given.has_parent_path())
        return given;
    if (directory.empty() || argument.empty() || argument == "." || argument == "..")
        return {};
    for (const fs::path& file : {directory / given, directory / (argument + ".json")}) {
        if (file.extension() == ".json" && IsFile(file))
            return file;
    }
    return {};
}

}  // namespace kolmaris
