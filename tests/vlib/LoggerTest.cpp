#include "VLib/vLogger.h"

#include <gtest/gtest.h>

TEST(Conversions, ErrorCode)
{
    EXPECT_EQ(VLib::ErrorCodeToWString(183), L"0xB7");
    EXPECT_EQ(VLib::ErrorCodeToWString(-1), L"0xFFFFFFFF");
}
