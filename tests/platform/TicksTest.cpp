#include "platform/Ticks.h"
#include "platform/Types.h"

#include <gtest/gtest.h>

TEST(Ticks, ElapsedIsWrapSafe)
{
    EXPECT_EQ(TickElapsed(5u, 0xFFFFFFF0u), 21u);
    EXPECT_FALSE(TickExpired(5u, 0xFFFFFFF0u, 100));
    EXPECT_TRUE(TickExpired(200u, 0xFFFFFFF0u, 100));
}

TEST(Ticks, CountAdvancesAcrossAWrap)
{
    SetTickOffsetForTesting(0);
    uint32_t now = GetTickCount();
    SetTickOffsetForTesting(0xFFFFFFFFu - now - 20);  // wrap in about 20 ms
    uint32_t before = GetTickCount();
    Sleep(60);
    uint32_t after = GetTickCount();
    SetTickOffsetForTesting(0);
    EXPECT_LT(after, before);  // it did wrap
    EXPECT_GE(TickElapsed(after, before), 55u);
    EXPECT_LT(TickElapsed(after, before), 1000u);
}

TEST(Types, Utf8AndUtf16RoundTrip)
{
    const std::string s = "A\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80";  // A, a-umlaut, euro, emoji
    WideString w = AnsiToWide(s);
    ASSERT_EQ(w.size(), 5u);
    EXPECT_EQ(w[2], u'\u20AC');
    EXPECT_EQ(WideToAnsi(w), s);
    EXPECT_EQ(AnsiToWide("\xFF"), WideString(1, u'\uFFFD'));
}
