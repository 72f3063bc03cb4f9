// SPDX-License-Identifier: GPL-3.0-or-later
#include "StationName.h"

#include <QList>
#include <QStringDecoder>

namespace kolmaris::history {

std::string StationNameProblem(const std::string& name)
{
    if (name.empty())
        return "a station needs a name";
    // Names of other bytes would all read as U+FFFD and so as one station.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(QByteArrayView(name.data(), static_cast<qsizetype>(name.size())));
    if (utf8.hasError())
        return "the station name is not valid UTF-8 text";
    if (const qsizetype characters = text.toUcs4().size(); characters > kStationNameLimit)
        return "the station name has " + std::to_string(characters) + " characters; at most " +
               std::to_string(kStationNameLimit) + " are allowed";
    return {};
}

}  // namespace kolmaris::history
