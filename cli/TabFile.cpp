// SPDX-License-Identifier: GPL-3.0-or-later
#include "TabFile.h"

#include "FileReplacement.h"

namespace kolmaris::cli {

bool WriteTabFile(const std::filesystem::path& file, const std::function<void(std::ostream&)>& write,
                  std::string& error)
{
    return ReplaceFile(file, false, write, error);
}

}  // namespace kolmaris::cli
