#pragma once
// The arithmetic and the texts of the traffic display, apart from the
// communicator so they can be checked on their own. All texts are in the C
// locale ("." as decimal point) whatever the user's locale is.
#include <cstdint>
#include "platform/Types.h"

// Scales `value` in place for display and returns its unit: B, KB, MB, GB or
// TB (powers of 1024); negative values and 2^50 and more stay as bytes.
AnsiString FormatBytes(double& value);

// `value` with two decimals, e.g. "1536.00".
AnsiString FormatFixed2(double value);

// Kilobits per second (1 kilobit = 1024 bits) for `bytes` in `ms`
// milliseconds; 0 for an interval that is not positive and for a result that
// is negative or not finite.
double SpeedKbps(double bytes, double ms);

// The time of day `ms` milliseconds after midnight, "hh:nn:ss" (a day wraps).
AnsiString FormatTimeOfDay(double ms);

// Bytes a 32-bit link counter moved since the last sample. A counter below
// the last sample either wrapped (the link went on: it counts on from 2^32)
// or restarted with a new link (it counts from 0); it never subtracts.
double CounterDelta(uint32_t now, double last, bool linkRestarted);
