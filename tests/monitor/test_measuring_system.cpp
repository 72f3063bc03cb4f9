#include "MeasuringSystem.h"

#include <gtest/gtest.h>

namespace kolmaris {
namespace {

TEST(MeasuringSystem, Placeholder)
{
    MeasuringSystem model;
    EXPECT_EQ(model.ElementTable[0].status.kind, 8);
}

}  // namespace
}  // namespace kolmaris
