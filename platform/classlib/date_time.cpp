#include "platform/classlib/date_time.h"

#include <cmath>
#include <cstdio>

namespace classlib {

namespace {

// Days from 1970-01-01 of a civil date (proleptic Gregorian).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (m <= 2));
}

// 1899-12-30 is day 0.
constexpr long long kEpochOffset = 25569;

bool Digits(const std::string& Text, size_t Pos, size_t Count, int& Value) {
  if (Pos + Count > Text.size()) return false;
  Value = 0;
  for (size_t i = Pos; i < Pos + Count; ++i) {
    if (Text[i] < '0' || Text[i] > '9') return false;
    Value = Value * 10 + (Text[i] - '0');
  }
  return true;
}

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kDays[m - 1];
}

}  // namespace

TDateTime DateOf(TDateTime Value) { return std::trunc(Value); }
TDateTime TimeOf(TDateTime Value) { return std::fabs(Value - std::trunc(Value)); }

std::string DateToStr(TDateTime Value) {
  int y, m, d;
  CivilFromDays(static_cast<long long>(std::floor(Value)) - kEpochOffset, y, m, d);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
  return buf;
}

std::string TimeToStr(TDateTime Value) {
  long long secs = std::llround(TimeOf(Value) * 86400.0);
  if (secs >= 86400) secs = 86399;
  char buf[48];
  std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", secs / 3600, secs / 60 % 60, secs % 60);
  return buf;
}

std::string DateTimeToStr(TDateTime Value) { return DateToStr(Value) + " " + TimeToStr(Value); }

bool TryStrToDate(const std::string& Text, TDateTime& Value) {
  int y, m, d;
  if (Text.size() != 10 || Text[4] != '-' || Text[7] != '-') return false;
  if (!Digits(Text, 0, 4, y) || !Digits(Text, 5, 2, m) || !Digits(Text, 8, 2, d)) return false;
  if (m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) return false;
  Value = static_cast<double>(DaysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d)) + kEpochOffset);
  return true;
}

bool TryStrToTime(const std::string& Text, TDateTime& Value) {
  int h, n, s;
  if (Text.size() != 8 || Text[2] != ':' || Text[5] != ':') return false;
  if (!Digits(Text, 0, 2, h) || !Digits(Text, 3, 2, n) || !Digits(Text, 6, 2, s)) return false;
  if (h > 23 || n > 59 || s > 59) return false;
  Value = (h * 3600 + n * 60 + s) / 86400.0;
  return true;
}

bool TryStrToDateTime(const std::string& Text, TDateTime& Value) {
  if (Text.size() == 19 && Text[10] == ' ') {
    TDateTime date, time;
    if (!TryStrToDate(Text.substr(0, 10), date) || !TryStrToTime(Text.substr(11), time)) return false;
    Value = date + (date < 0 ? -time : time);
    return true;
  }
  return TryStrToDate(Text, Value) || TryStrToTime(Text, Value);
}

}  // namespace classlib
