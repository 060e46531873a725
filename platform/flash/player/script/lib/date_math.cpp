#include "platform/flash/player/script/lib/date_math.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>

#include "platform/flash/player/script/lib/number_text.h"

namespace flash::scriptlib {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kIntMin = -2147483648.0;
constexpr double kMaxTime = 8.64e15;
constexpr double kMsPerAverageYear = kMsPerDay * 365.2425;

// The processor's truncating conversion to a 32-bit integer: out of range and NaN give -2^31.
double Int32Truncated(double d) {
  return (d > -2147483649.0 && d < 2147483648.0) ? std::trunc(d) : kIntMin;
}

// A part known to be small in ordinary dates, converted safely whatever the value.
int SmallInt(double d) { return static_cast<int>(Int32Truncated(d)); }

double PositiveModulo(double a, double b) {
  double r = std::fmod(a, b);
  return r < 0 ? r + b : r;
}

double DaysFromYear(double y) {
  return 365 * (y - 1970) + std::floor((y - 1969) / 4) - std::floor((y - 1901) / 100) +
         std::floor((y - 1601) / 400);
}

double TimeFromYear(double y) { return kMsPerDay * DaysFromYear(y); }

bool IsLeapYear(double y) {
  return std::fmod(y, 4) == 0 && (std::fmod(y, 100) != 0 || std::fmod(y, 400) == 0);
}

double YearFromTime(double t) {
  double y = std::floor(t / kMsPerAverageYear) + 1970;
  // The estimate is off by at most one year in the representable range; bound the correction so
  // that values too large for whole-year precision still end.
  for (int i = 0; i < 4 && TimeFromYear(y) > t; ++i) y -= 1;
  for (int i = 0; i < 4 && TimeFromYear(y + 1) <= t; ++i) y += 1;
  return y;
}

// First day of each month in a common year and a leap year.
constexpr int kMonthStart[2][13] = {{0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
                                    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366}};

DateFields FieldsOf(double t) {
  if (std::isnan(t)) return {kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN};
  if (std::isinf(t)) {
    // The player converts the infinite parts to -2^31 before adding each part's base.
    return {kIntMin + 1970, 0,          kIntMin + 1, kIntMin + 24, kIntMin + 60, kIntMin + 60,
            kIntMin + 1000, kIntMin + 7};
  }
  DateFields f;
  double day = std::floor(t / kMsPerDay);
  f.year = YearFromTime(t);
  double dayInYear = day - DaysFromYear(f.year);
  const int* starts = kMonthStart[IsLeapYear(f.year) ? 1 : 0];
  int month = 0;
  while (month < 11 && dayInYear >= starts[month + 1]) ++month;
  f.month = month;
  f.date = dayInYear - starts[month] + 1;
  f.day = PositiveModulo(day + 4, 7);
  // Each part from the whole time value, as the player does: at the ends of the range the
  // division rounds, and the parts follow that rounding.
  f.hours = PositiveModulo(std::floor(t / 3600000), 24);
  f.minutes = PositiveModulo(std::floor(t / 60000), 60);
  f.seconds = PositiveModulo(std::floor(t / 1000), 60);
  f.milliseconds = PositiveModulo(std::floor(t), 1000);
  return f;
}

// A year between 2010 and 2037 with the same calendar as `y`.
double EquivalentYear(double y) {
  bool leap = IsLeapYear(y);
  double weekday = PositiveModulo(DaysFromYear(y) + 4, 7);
  for (int candidate = 2010; candidate <= 2037; ++candidate) {
    if (IsLeapYear(candidate) == leap && PositiveModulo(DaysFromYear(candidate) + 4, 7) == weekday)
      return candidate;
  }
  return 2010;  // not reached: every kind of year occurs in any 28 consecutive years here
}

double OffsetFromLibrary(double t) {
  if (!(std::fabs(t) < 1e18)) return 0;  // beyond the C library's years
  auto seconds = static_cast<time_t>(std::floor(t / 1000));
  struct tm local {};
  if (!localtime_r(&seconds, &local)) return 0;
  return static_cast<double>(local.tm_gmtoff) * 1000;
}

// Replaces the parts from `first` on with `args` and rebuilds the time value (in the frame the
// fields were taken in).
double Rebuild(const DateFields& f, DatePart first, const std::vector<double>& args) {
  double parts[7] = {f.year, f.month, f.date, f.hours, f.minutes, f.seconds, f.milliseconds};
  int start = 0;
  int count = 0;
  switch (first) {
    case DatePart::FullYear:
    case DatePart::Year:
      start = 0;
      count = 3;
      break;
    case DatePart::Month:
      start = 1;
      count = 2;
      break;
    case DatePart::Date:
      start = 2;
      count = 1;
      break;
    case DatePart::Hours:
      start = 3;
      count = 4;
      break;
    case DatePart::Minutes:
      start = 4;
      count = 3;
      break;
    case DatePart::Seconds:
      start = 5;
      count = 2;
      break;
    case DatePart::Milliseconds:
      start = 6;
      count = 1;
      break;
  }
  for (int i = 0; i < count && i < static_cast<int>(args.size()); ++i) parts[start + i] = args[i];
  if (first == DatePart::Year) {
    double y = std::trunc(parts[0]);
    if (y >= 0 && y <= 99) parts[0] = 1900 + y;
  }
  return MakeDate(MakeDay(parts[0], parts[1], parts[2]),
                  MakeTime(parts[3], parts[4], parts[5], parts[6]));
}

}  // namespace

DateFields UtcFields(double t) { return FieldsOf(t); }

DateFields LocalFields(double t) {
  if (!std::isfinite(t)) return FieldsOf(t);
  return FieldsOf(t + LocalOffsetMs(t));
}

double LocalOffsetMs(double t) {
  if (!std::isfinite(t)) return 0;
  double y = YearFromTime(t);
  if (y >= 2010 && y <= 2037) return OffsetFromLibrary(t);
  double shifted = t - TimeFromYear(y) + TimeFromYear(EquivalentYear(y));
  return OffsetFromLibrary(shifted);
}

double TimezoneOffsetMinutes(double t) {
  if (!std::isfinite(t)) return kNaN;
  return -LocalOffsetMs(t) / 60000;
}

double UtcFromLocal(double local) {
  if (!std::isfinite(local)) return local;
  // The offset at the guessed UTC time; a second look settles dates near a change of offset.
  double guess = local - LocalOffsetMs(local);
  return local - LocalOffsetMs(guess);
}

double MakeDay(double year, double month, double date) {
  if (std::isnan(month) || std::isinf(month) || std::isnan(date)) return kNaN;
  double y = Int32Truncated(year);
  double m = std::trunc(month);
  double d = std::trunc(date);
  double ym = y + std::floor(m / 12);
  double mn = PositiveModulo(m, 12);
  return DaysFromYear(ym) + kMonthStart[IsLeapYear(ym) ? 1 : 0][static_cast<int>(mn)] + d - 1;
}

double MakeTime(double hours, double minutes, double seconds, double ms) {
  return std::trunc(hours) * 3600000 + std::trunc(minutes) * 60000 + std::trunc(seconds) * 1000 +
         std::trunc(ms);
}

double MakeDate(double day, double time) { return day * kMsPerDay + time; }

double DateFromParts(const std::vector<double>& args, bool utc) {
  auto arg = [&](size_t i, double missing) { return i < args.size() ? args[i] : missing; };
  double year = arg(0, kNaN);
  if (std::isfinite(year) && std::trunc(year) < 100) year = 1900 + std::trunc(year);
  double t = MakeDate(MakeDay(year, arg(1, 0), arg(2, 1)),
                      MakeTime(arg(3, 0), arg(4, 0), arg(5, 0), arg(6, 0)));
  return utc ? t : UtcFromLocal(t);
}

double SetDateParts(double t, DatePart first, const std::vector<double>& args, bool utc) {
  if (!std::isfinite(t)) return kNaN;
  std::vector<double> parts = args;
  if (first == DatePart::Month) {
    // The month setters read a missing or NaN month as January.
    if (parts.empty()) parts.push_back(0);
    if (std::isnan(parts[0])) parts[0] = 0;
  } else if (first == DatePart::Minutes) {
    // The minute setters convert every part to a 32-bit integer, so a missing or non-finite part
    // becomes -2^31 instead of making the date invalid.
    if (parts.empty()) parts.push_back(kNaN);
    for (double& p : parts) p = Int32Truncated(p);
  } else if (parts.empty()) {
    return kNaN;
  }
  double result = utc ? Rebuild(UtcFields(t), first, parts)
                      : UtcFromLocal(Rebuild(LocalFields(t), first, parts));
  // Setters keep dates within the range of the language (the constructor does not).
  return std::fabs(result) <= kMaxTime ? result : kNaN;
}

double SetTimeValue(double t) {
  t = std::trunc(t);
  return std::fabs(t) <= kMaxTime ? t : kNaN;
}

std::string DateToString(double t) {
  if (!std::isfinite(t)) return "Invalid Date";
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  DateFields f = LocalFields(t);
  double offsetMinutes = std::round(LocalOffsetMs(t) / 60000);
  char sign = offsetMinutes < 0 ? '-' : '+';
  auto whole = static_cast<long long>(std::fabs(offsetMinutes));
  char buf[96];
  std::snprintf(buf, sizeof buf, "%s %s %s %02d:%02d:%02d GMT%c%02lld%02lld ",
                kDays[SmallInt(f.day) % 7], kMonths[SmallInt(f.month) % 12],
                NumberToString(f.date).c_str(), SmallInt(f.hours), SmallInt(f.minutes),
                SmallInt(f.seconds), sign, whole / 60, whole % 60);
  return buf + NumberToString(f.year);
}

}  // namespace flash::scriptlib
