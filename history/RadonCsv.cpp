// SPDX-License-Identifier: GPL-3.0-or-later
#include "RadonCsv.h"

#include "TerminalTime.h"

#include <cstdio>

namespace kolmaris::history {

std::string IsoTime(TerminalTime time)
{
    const TimeFields f = TimeToFields(time);
    char text[24];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", 2000 + f.year, f.month, f.day, f.hour, f.minute);
    return text;
}

void WriteRadonCsv(const std::vector<RadonRow>& rows, std::ostream& out)
{
    out << "time,radon,sum1,sum2,sum3,sum4,temperature,humidity,hv\n";
    for (const RadonRow& r : rows)
        out << FormatIsoTime(r.time) << ',' << r.radon << ',' << r.sum1 << ',' << r.sum2 << ',' << r.sum3 << ','
            << r.sum4 << ',' << r.temperature << ',' << r.humidity << ',' << r.hv << '\n';
}

}  // namespace kolmaris::history
