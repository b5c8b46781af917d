#include "platform/NumberText.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(NumberText, GoldenFormat)
{
    EXPECT_EQ(FormatReal(0.00001), "1E-5");
    EXPECT_EQ(FormatReal(0.0001), "0.0001");
    EXPECT_EQ(FormatReal(1e15), "1E15");
    EXPECT_EQ(FormatReal(0.1 + 0.2), "0.3");
    EXPECT_EQ(FormatReal(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(FormatReal(-0.0), "0");
}
