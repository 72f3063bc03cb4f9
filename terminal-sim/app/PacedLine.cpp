// SPDX-License-Identifier: GPL-3.0-or-later
#include "PacedLine.h"

#include <algorithm>

namespace kolmaris {

void PacedLine::Send(std::span<const uint8_t> bytes, TimePoint now)
{
    if (bytes.empty())
        return;
    if (onLine_.empty())
        frontArrives_ = std::max(now, lineFree_) + kByteTime;
    onLine_.insert(onLine_.end(), bytes.begin(), bytes.end());
}

std::vector<uint8_t> PacedLine::Arrived(TimePoint now)
{
    std::size_t count = onLine_.size();
    if (paced_) {
        count = now < frontArrives_ ? 0 : std::min<std::size_t>(count, 1 + (now - frontArrives_) / kByteTime);
        if (count > 0) {
            lineFree_ = frontArrives_ + (count - 1) * kByteTime;
            frontArrives_ = lineFree_ + kByteTime;
        }
    }
    std::vector<uint8_t> arrived(onLine_.begin(), onLine_.begin() + static_cast<std::ptrdiff_t>(count));
    onLine_.erase(onLine_.begin(), onLine_.begin() + static_cast<std::ptrdiff_t>(count));
    return arrived;
}

std::optional<PacedLine::TimePoint> PacedLine::NextArrival() const
{
    if (onLine_.empty())
        return std::nullopt;
    return paced_ ? frontArrives_ : TimePoint{};
}

}  // namespace kolmaris
