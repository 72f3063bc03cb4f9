// The paced line: bytes arrive one per 1/1920 s, back to back, never early.
#include "PacedLine.h"

#include <gtest/gtest.h>

namespace kolmaris {
namespace {
using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

TEST(PacedLine, BytesArriveAtTheLinesPace)
{
    const PacedLine::TimePoint t0{1s};
    const auto byte = 520'834ns;
    PacedLine line(true);
    EXPECT_FALSE(line.NextArrival());
    line.Send(Bytes{1, 2, 3, 4}, t0);
    EXPECT_EQ(line.NextArrival(), t0 + byte);
    EXPECT_EQ(line.Arrived(t0 + byte - 1ns), Bytes{});
    EXPECT_EQ(line.Arrived(t0 + byte), Bytes{1});
    EXPECT_EQ(line.Arrived(t0 + 3 * byte - 1ns), Bytes{2});
    line.Send(Bytes{5}, t0 + 3 * byte);  // queued behind what is still on the line
    EXPECT_EQ(line.Arrived(t0 + 3 * byte), Bytes{3});
    EXPECT_EQ(line.NextArrival(), t0 + 4 * byte);
    EXPECT_EQ(line.Arrived(t0 + 1s), (Bytes{4, 5}));
    EXPECT_FALSE(line.NextArrival());

    // A quiet line saves no time for later: the next byte still takes a byte time.
    line.Send(Bytes{6, 7}, t0 + 2s);
    EXPECT_EQ(line.Arrived(t0 + 2s + byte), Bytes{6});
    EXPECT_EQ(line.Arrived(t0 + 2s + 2 * byte), Bytes{7});

    // 1920 bytes take a second.
    line.Send(Bytes(1920, 0x55), t0 + 3s);
    EXPECT_EQ(line.Arrived(t0 + 4s - 1ms).size(), 1918u);
    EXPECT_EQ(line.Arrived(t0 + 4s + 1ms).size(), 2u);
}

TEST(PacedLine, UnpacedBytesArriveAtOnce)
{
    const PacedLine::TimePoint t0{1s};
    PacedLine line(false);
    line.Send(Bytes{1, 2, 3}, t0);
    line.Send(Bytes{4}, t0);
    EXPECT_EQ(line.Arrived(t0), (Bytes{1, 2, 3, 4}));
    EXPECT_FALSE(line.NextArrival());
}

}  // namespace
}  // namespace kolmaris
