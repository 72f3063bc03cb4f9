#include "DecimalInput.h"

#include <gtest/gtest.h>

namespace kolmaris {
namespace {

TEST(DecimalInput, Placeholder)
{
    EXPECT_EQ(ReadDecimal("12"), 12);
}

}  // namespace
}  // namespace kolmaris
