// Rounding helpers used everywhere the program turns real numbers into
// integers, so that every place rounds the same way.
#pragma once

#include <cstdint>

namespace classlib {

// Nearest integer, halves to the even neighbour: 62.5 -> 62, 63.5 -> 64,
// -2.5 -> -2. Values beyond the 64-bit range (and NaN) raise EInvalidOp
// "Invalid floating point operation".
int64_t Round(long double Value);
// Cuts toward zero: 2.9 -> 2, -2.9 -> -2. Same range check as Round.
int64_t Trunc(long double Value);
// The fractional part, with the sign of Value.
long double Frac(long double Value);

// Number * Numerator / Denominator with a 64-bit intermediate product,
// rounded half away from zero; -1 when Denominator is 0 or the result does
// not fit in 32 bits.
int32_t MulDiv(int32_t Number, int32_t Numerator, int32_t Denominator);

}  // namespace classlib
