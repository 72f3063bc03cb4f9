#pragma once
// Writes one ".tab" file anew (old contents replaced).

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

namespace kolmaris::cli {

// False, with the one-line `error`, when the file cannot be created, written or closed.
bool WriteTabFile(const std::filesystem::path& file, const std::function<void(std::ostream&)>& write,
                  std::string& error);

}  // namespace kolmaris::cli
