#include "platform/classlib/date_utils.h"

#include <cmath>
#include <cstdio>

namespace classlib {

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y += m <= 2;
}

const int64_t kEpochShift = DaysFromCivil(1899, 12, 30);  // offset of day 0 from 1970-01-01

bool ParseUnsigned(const std::string& S, size_t& Pos, int MaxDigits, unsigned& Value) {
  size_t start = Pos;
  unsigned v = 0;
  while (Pos < S.size() && S[Pos] >= '0' && S[Pos] <= '9' && int(Pos - start) < MaxDigits)
    v = v * 10 + unsigned(S[Pos++] - '0');
  Value = v;
  return Pos > start;
}

}  // namespace

bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Date) {
  if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1) return false;
  static const int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (Year % 4 == 0 && Year % 100 != 0) || Year % 400 == 0;
  if (Day > kMonthDays[Month - 1] + (Month == 2 && leap ? 1 : 0)) return false;
  Date = double(DaysFromCivil(Year, unsigned(Month), unsigned(Day)) - kEpochShift);
  return true;
}

void DecodeDate(TDateTime Date, int64_t& Year, int& Month, int& Day) {
  unsigned m, d;
  CivilFromDays(int64_t(std::floor(Date)) + kEpochShift, Year, m, d);
  Month = int(m);
  Day = int(d);
}

std::string DateToStr(TDateTime Date) {
  int64_t y;
  int m, d;
  DecodeDate(Date, y, m, d);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04lld-%02d-%02d", static_cast<long long>(y), m, d);
  return buf;
}

std::string TimeToStr(TDateTime Date) {
  double frac = Date - std::floor(Date);
  int64_t secs = std::llround(frac * 86400.0);
  if (secs >= 86400) secs = 86399;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", int(secs / 3600), int(secs / 60 % 60),
                int(secs % 60));
  return buf;
}

bool ParseDateText(const std::string& S, size_t& Pos, TDateTime& Date) {
  unsigned y, m, d;
  if (!ParseUnsigned(S, Pos, 4, y) || Pos >= S.size() || S[Pos++] != '-') return false;
  if (!ParseUnsigned(S, Pos, 2, m) || Pos >= S.size() || S[Pos++] != '-') return false;
  if (!ParseUnsigned(S, Pos, 2, d)) return false;
  return TryEncodeDate(int(y), int(m), int(d), Date);
}

bool ParseTimeText(const std::string& S, size_t& Pos, TDateTime& Time) {
  unsigned h, n, s = 0, ms = 0;
  if (!ParseUnsigned(S, Pos, 2, h) || Pos >= S.size() || S[Pos++] != ':') return false;
  if (!ParseUnsigned(S, Pos, 2, n)) return false;
  if (Pos < S.size() && S[Pos] == ':') {
    ++Pos;
    if (!ParseUnsigned(S, Pos, 2, s)) return false;
    if (Pos < S.size() && S[Pos] == '.') {
      ++Pos;
      if (!ParseUnsigned(S, Pos, 3, ms)) return false;
    }
  }
  if (h > 23 || n > 59 || s > 59) return false;
  Time = (h * 3600000.0 + n * 60000.0 + s * 1000.0 + ms) / 86400000.0;
  return true;
}

}  // namespace classlib
