// SPDX-License-Identifier: GPL-3.0-or-later
#include "Commands.h"

namespace kolmaris::cli {

void ReportError(std::ostream& err, const std::string& line)
{
    err << "kolmaris-cli: " << line << std::endl;
}

}  // namespace kolmaris::cli
