// The simulated terminal's own behaviour where it is not obvious.
#include "SimLink.h"
#include "TerminalCommands.h"

#include <gtest/gtest.h>

using namespace kolmaris;
using kolmaris::testing::QuietScenario;
using kolmaris::testing::SimLink;
using Bytes = std::vector<uint8_t>;

TEST(SimModel, Placeholder)
{
    SimulatedTerminal t(QuietScenario());
    EXPECT_EQ(t.Time(), 794916000u);
}
