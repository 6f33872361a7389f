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

// A 32-bit link counter below its last sample went round 2^32 only when it
// dropped by more than 2^31; a smaller drop is a new link counting from 0.
bool CounterWrapped(uint32_t now, double last);

// Bytes a 32-bit link counter moved since the last sample. A counter below
// the last sample either wrapped (it counts on from 2^32) or belongs to a new
// link (it counts from 0, also whenever `linkRestarted`); it never subtracts.
double CounterDelta(uint32_t now, double last, bool linkRestarted);
