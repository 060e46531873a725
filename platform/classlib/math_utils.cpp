#include "platform/classlib/math_utils.h"

#include <cmath>
#include <cstdlib>

#include "platform/classlib/exceptions.h"

namespace classlib {

namespace {

// 2^63 as a long double: the first value that no longer fits in int64_t.
constexpr long double kTwo63 = 9223372036854775808.0L;

void CheckRange(long double v) {
  if (std::isnan(v) || v >= kTwo63 || v < -kTwo63)
    throw EInvalidOp("Invalid floating point operation");
}

}  // namespace

int64_t Round(long double Value) {
  // Round on the long double, whose 64-bit mantissa holds every double's
  // fraction exactly, so ties are detected exactly.
  CheckRange(Value);
  long double f = std::floor(Value);
  long double diff = Value - f;
  if (diff > 0.5L || (diff == 0.5L && std::fmod(f, 2.0L) != 0.0L)) f += 1.0L;
  CheckRange(f);
  return static_cast<int64_t>(f);
}

int64_t Trunc(long double Value) {
  CheckRange(Value);
  return static_cast<int64_t>(std::trunc(Value));
}

long double Frac(long double Value) { return Value - std::trunc(Value); }

int32_t MulDiv(int32_t Number, int32_t Numerator, int32_t Denominator) {
  if (Denominator == 0) return -1;
  int64_t p = static_cast<int64_t>(Number) * Numerator;
  int64_t d = Denominator;
  int64_t q = p / d;
  int64_t r = p % d;
  // Half away from zero: |remainder| * 2 >= |divisor| moves one step outward.
  if (2 * std::llabs(r) >= std::llabs(d)) q += ((p < 0) != (d < 0)) ? -1 : 1;
  if (q > INT32_MAX || q < INT32_MIN) return -1;
  return static_cast<int32_t>(q);
}

}  // namespace classlib
