// SPDX-License-Identifier: GPL-3.0-or-later
#include "Requests.h"

#include <array>
#include <cstdio>
#include <span>

namespace kolmaris::cli {

uint32_t Retried(int attempts, const std::function<uint32_t()>& command)
{
    uint32_t result = kErrTimeout;
    for (int i = 0; i < attempts; ++i) {
        result = command();
        if (result == kOk)
            break;
    }
    return result;
}

std::string ExchangeResult::Text() const
{
    if (linkError != 0)
        return ResultText(linkError);
    if (answerError != 0)
        return "the answer came with error " + std::to_string(answerError);
    if (incomplete)
        return "no complete answer after " + std::to_string(kMaxCompositePolls) + " polls";
    return "done";
}

ExchangeResult Exchange(StepLink& link, const std::function<uint32_t(StepLink&)>& send, int attempts,
                        RelayedAnswer& answer)
{
    ExchangeResult result;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        result = {};
        result.linkError = send(link);
        for (int poll = 0; result.linkError == kOk && poll < kMaxCompositePolls; ++poll) {
            link.GetClock().SleepMs(kPollPauseMs);
            answer = RelayedAnswer{};
            result.linkError = PollRelayedReply(link, answer);
            if (result.linkError == kOk && (answer.error != 0 || answer.complete))
                break;
        }
        if (result.linkError == kOk) {
            result.answerError = answer.error;
            result.incomplete = answer.error == 0 && !answer.complete;
        }
        if (result.Ok())
            break;
    }
    return result;
}

ExchangeResult ReadBondedList(StepLink& link, int attempts, MeasuringSystem& model)
{
    RelayedAnswer answer;
    const ExchangeResult result = Exchange(
        link, [](StepLink& l) { return RequestBondingMap(l, Network::Local, 0); }, attempts, answer);
    // The unpacked addresses fill data bytes 2 to 17 whatever the answer's length.
    if (result.Ok() && UnpackBondingMap(std::span<uint8_t>(answer.data)))
        model.SetBondedList(answer.data);
    return result;
}

std::string ResultText(uint32_t result)
{
    const char* meaning = "failed";
    switch (result) {
        case 7:
        case kErrWriteFailed:
            meaning = "the port did not take the request";
            break;
        case 11:
        case 0x2000B:
            meaning = "request too long";
            break;
        case kErrTimeout:
            meaning = "no reply within the time-out";
            break;
        case kErrNoTerminal:
            meaning = "no terminal";
            break;
        case 0x2000E:
            meaning = "the terminal refused the command";
            break;
        case 0x2000F:
            meaning = "damaged reply";
            break;
        case kErrMemoryAddress:
            meaning = "memory address beyond 0x1FFFF";
            break;
        default:
            break;
    }
    char code[16];
    std::snprintf(code, sizeof code, result < 0x100 ? "%u" : "0x%X", static_cast<unsigned>(result));
    return std::string(meaning) + " (error " + code + ")";
}

std::string FunctionName(uint8_t function)
{
    static constexpr std::array<const char*, 4> kNames{"not assigned", "repeater", "actuator", "radon probe"};
    return function < kNames.size() ? kNames[function] : "function " + std::to_string(function);
}

}  // namespace kolmaris::cli
