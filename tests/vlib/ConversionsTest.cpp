#include "VLib/vLogger.h"

#include <gtest/gtest.h>

#include <climits>

using namespace VLib;

TEST(Conversions, IntToWString)
{
    EXPECT_EQ(IntToWString(0), L"0");
    EXPECT_EQ(IntToWString(7), L"7");
    EXPECT_EQ(IntToWString(1000200), L"1000200"); // no digit grouping
    EXPECT_EQ(IntToWString(-45), L"-45");
    EXPECT_EQ(IntToWString(static_cast<std::int32_t>(-1)), L"-1"); // 32-bit values are sign-extended
    EXPECT_EQ(IntToWString(LLONG_MAX), L"9223372036854775807");
    EXPECT_EQ(IntToWString(LLONG_MIN), L"-9223372036854775808");
}

TEST(Conversions, UIntToWString)
{
    EXPECT_EQ(UIntToWString(0), L"0");
    EXPECT_EQ(UIntToWString(static_cast<std::uint16_t>(65535)), L"65535");
    EXPECT_EQ(UIntToWString(0xFFFFFFFFu), L"4294967295"); // zero-extended
    EXPECT_EQ(UIntToWString(ULLONG_MAX), L"18446744073709551615");
}

TEST(Conversions, ErrorCodeToWString)
{
    EXPECT_EQ(ErrorCodeToWString(0), L"0x0");
    EXPECT_EQ(ErrorCodeToWString(2), L"0x2");
    EXPECT_EQ(ErrorCodeToWString(183), L"0xB7");
    EXPECT_EQ(ErrorCodeToWString(0x8001), L"0x8001");
    EXPECT_EQ(ErrorCodeToWString(-1), L"0xFFFFFFFF");
    EXPECT_EQ(ErrorCodeToWString(static_cast<std::int32_t>(0x88760B59)), L"0x88760B59");
    EXPECT_EQ(ErrorCodeToWString(INT_MIN), L"0x80000000");
}

TEST(Conversions, AnsiToWStringSignExtendsEachByte)
{
    EXPECT_EQ(AnsiToWString(nullptr), L"");
    EXPECT_EQ(AnsiToWString(""), L"");
    EXPECT_EQ(AnsiToWString("tex 1.bmp"), L"tex 1.bmp");
    const char high[] = {'\x7F', '\x80', '\xE9', '\xFF', 0};
    const std::wstring wide = AnsiToWString(high);
    ASSERT_EQ(wide.size(), 4u);
    EXPECT_EQ(wide[0], 0x007F);
    EXPECT_EQ(wide[1], 0xFF80);
    EXPECT_EQ(wide[2], 0xFFE9); // not U+00E9: no code page is consulted
    EXPECT_EQ(wide[3], 0xFFFF);
}

TEST(MessageForms, ComposeExactly)
{
    EXPECT_EQ(FailedCallMessage(L".\\VLib\\FStream\\vFStream", L"VLib::FStream::Close", 40, L"Close Handle", 6),
              L"[.\\VLib\\FStream\\vFStream | VLib::FStream::Close | LINE: 40] >> Function \"Close Handle\" "
              L"returned an error. Error Code: 0x6");
    EXPECT_EQ(ErrorMessage(L".\\Vexa2\\Engine\\Renderer\\vDeviceManager", L"Vexa::DeviceManager::CreateD3DObject", 51,
                           L"Function \"Direct3DCreate9()\" returned NULL"),
              L"[.\\Vexa2\\Engine\\Renderer\\vDeviceManager | Vexa::DeviceManager::CreateD3DObject | LINE: 51] >> "
              L"Function \"Direct3DCreate9()\" returned NULL");
    EXPECT_EQ(ShortTransferMessage(L"VLib::FStream::Write", 512, 1024, L" bytes has been written"),
              L"VLib::FStream::Write >> Only 512/1024 bytes has been written");
    EXPECT_EQ(ErrorMessage(L".\\Mesh", L"Mesh::X", -3, L""), L"[.\\Mesh | Mesh::X | LINE: -3] >> ");
}
