// Defects the fuzz targets found, each on the input that showed it.
#include "RelayedRequests.h"
#include "ScriptedTerminal.h"

#include <gtest/gtest.h>

namespace kolmaris {
namespace {

// An answer "valid, length 63" (the invalid-length mark) left 63 as the length of a 27-byte buffer.
TEST(FuzzFindings, AnInvalidAnswerLengthStaysWithinTheBuffer)
{
    testing::ScriptedTerminal terminal;
    terminal.Always({0x85, 0x40 | 63});
    RelayedAnswer answer;
    ASSERT_EQ(PollRelayedReply(terminal.link, answer), kOk);
    EXPECT_EQ(answer.error, kAnswerInvalidLength);
    EXPECT_LE(answer.length, kMaxAnswerData);
}

}  // namespace
}  // namespace kolmaris
