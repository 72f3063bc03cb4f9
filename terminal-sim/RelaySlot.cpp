// SPDX-License-Identifier: GPL-3.0-or-later
#include "RelaySlot.h"

#include <algorithm>

namespace kolmaris::sim {

void RelaySlot::Take(std::optional<std::vector<uint8_t>> answer, int pollsBeforeCompletion)
{
    if (answer && answer->size() > kMaxAnswerBytes)
        answer->resize(kMaxAnswerBytes);
    taken_ = true;
    pending_ = std::max(0, pollsBeforeCompletion);
    answer_ = std::move(answer);
}

std::vector<uint8_t> RelaySlot::Poll()
{
    if (!taken_)
        return {kNothingRequested};
    if (pending_ > 0) {
        --pending_;
        return {kAnswerMarker, kStatusPending};
    }
    if (!answer_)
        return {kAnswerMarker, kStatusNoValidAnswer};
    std::vector<uint8_t> reply{kAnswerMarker, static_cast<uint8_t>(kStatusValid | answer_->size())};
    reply.insert(reply.end(), answer_->begin(), answer_->end());
    return reply;
}

}  // namespace kolmaris::sim
