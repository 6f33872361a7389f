#include "communicator/TrafficMath.h"

#include <charconv>
#include <cmath>
#include <cstdio>

AnsiString FormatBytes(double& value)
{
    static const struct { double from; const char* unit; } ranges[] = {
        {1125899906842624.0, nullptr},  // 2^50 and more: left as bytes
        {1099511627776.0, "TB"},
        {1073741824.0, "GB"},
        {1048576.0, "MB"},
        {1024.0, "KB"},
    };
    if (!(value >= 0.0))
        return "B";
    for (const auto& r : ranges) {
        if (value >= r.from) {
            if (r.unit == nullptr)
                return "B";
            value /= r.from;
            return r.unit;
        }
    }
    return "B";
}

AnsiString FormatFixed2(double value)
{
    char buf[400];  // room for the largest double in fixed notation
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 2);
    return res.ec == std::errc() ? AnsiString(buf, res.ptr) : AnsiString("0.00");
}

double SpeedKbps(double bytes, double ms)
{
    if (!(ms > 0.0))
        return 0.0;
    const double speed = (bytes * 0.0009765625 * 8.0) / (0.001 * ms);
    return (std::isfinite(speed) && speed > 0.0) ? speed : 0.0;
}

AnsiString FormatTimeOfDay(double ms)
{
    if (!std::isfinite(ms) || ms < 0.0)
        ms = 0.0;
    const auto seconds = static_cast<uint64_t>(std::fmod(ms, 86400000.0) / 1000.0);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02u:%02u:%02u", static_cast<unsigned>(seconds / 3600),
                  static_cast<unsigned>(seconds / 60 % 60), static_cast<unsigned>(seconds % 60));
    return buf;
}

bool CounterWrapped(uint32_t now, double last)
{
    return last <= 4294967295.0 && last - now > 2147483648.0;
}

double CounterDelta(uint32_t now, double last, bool linkRestarted)
{
    const double n = now;
    if (!(last >= 0.0) || last > 4294967295.0)
        return n;
    if (n >= last)
        return n - last;
    return !linkRestarted && CounterWrapped(now, last) ? n + 4294967296.0 - last : n;
}
