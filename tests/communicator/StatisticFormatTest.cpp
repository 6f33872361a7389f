#include "communicator/TrafficMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(TrafficFormat, BytesAreScaledToTheirUnit)
{
    struct Case { double in; double out; const char* unit; };
    const double two50 = std::ldexp(1.0, 50);
    for (const Case& c : {Case{0, 0, "B"}, Case{1023, 1023, "B"}, Case{1024, 1, "KB"}, Case{1536, 1.5, "KB"},
                          Case{1048575, 1048575 / 1024.0, "KB"}, Case{1048576, 1, "MB"},
                          Case{std::ldexp(3.0, 30), 3, "GB"}, Case{std::ldexp(1.0, 40), 1, "TB"},
                          Case{two50 - std::ldexp(1.0, 40), 1023, "TB"}, Case{two50, two50, "B"}, Case{-5, -5, "B"}}) {
        double v = c.in;
        EXPECT_EQ(FormatBytes(v), c.unit) << c.in;
        EXPECT_DOUBLE_EQ(v, c.out) << c.in;
    }
    double nan = std::nan("");
    EXPECT_EQ(FormatBytes(nan), "B");
}

TEST(TrafficFormat, FixedTwoDecimals)
{
    EXPECT_EQ(FormatFixed2(1.5), "1.50");
    EXPECT_EQ(FormatFixed2(0), "0.00");
    EXPECT_EQ(FormatFixed2(1048576), "1048576.00");
    EXPECT_EQ(FormatFixed2(2.675), "2.67");  // as printf rounds the binary value
    EXPECT_EQ(FormatFixed2(1e300).size(), 304u);
}

TEST(TrafficFormat, SpeedIsKilobitsPerSecondAndNeverNonsense)
{
    EXPECT_EQ(FormatFixed2(SpeedKbps(2048, 2000)), "8.00");
    EXPECT_EQ(SpeedKbps(-2048, 2000), 0.0);  // a counter below the last sample
    EXPECT_EQ(SpeedKbps(2048, 0), 0.0);
    EXPECT_EQ(SpeedKbps(2048, -10), 0.0);
    EXPECT_EQ(SpeedKbps(0, 0), 0.0);
    EXPECT_EQ(SpeedKbps(std::numeric_limits<double>::infinity(), 10), 0.0);
    EXPECT_DOUBLE_EQ(SpeedKbps(128000, 1000), 1000.0);
}

TEST(TrafficFormat, ConnectionTimeIsATimeOfDay)
{
    EXPECT_EQ(FormatTimeOfDay(0), "00:00:00");
    EXPECT_EQ(FormatTimeOfDay((3600 + 2 * 60 + 5) * 1000.0), "01:02:05");
    EXPECT_EQ(FormatTimeOfDay(25 * 3600 * 1000.0), "01:00:00");
    EXPECT_EQ(FormatTimeOfDay(86399999), "23:59:59");
    EXPECT_EQ(FormatTimeOfDay(4294967295.0), "17:02:47");  // the longest duration a counter holds
    EXPECT_EQ(FormatTimeOfDay(-5), "00:00:00");
}

TEST(TrafficFormat, CountersNeverSubtract)
{
    EXPECT_EQ(CounterDelta(5000, 3000, false), 2000.0);
    EXPECT_EQ(CounterDelta(3000, 3000, false), 0.0);
    EXPECT_EQ(CounterDelta(100, 4294967196.0, false), 200.0);  // wrapped at 32 bits
    // A drop of at most 2^31 is a new link counting from 0, never a wrap.
    EXPECT_EQ(CounterDelta(1000, 2048, false), 1000.0);
    EXPECT_EQ(CounterDelta(0, 2147483648.0, false), 0.0);
    EXPECT_EQ(CounterDelta(0, 2147483649.0, false), 2147483647.0);
    EXPECT_FALSE(CounterWrapped(1000, 2048));
    EXPECT_FALSE(CounterWrapped(5000, 3000));
    EXPECT_TRUE(CounterWrapped(100, 4294967196.0));
    EXPECT_EQ(CounterDelta(100, 5000, true), 100.0);          // a new link counts from 0
    EXPECT_EQ(CounterDelta(100, -1, false), 100.0);
    EXPECT_EQ(CounterDelta(100, 1e20, false), 100.0);
}

}  // namespace
