#include "platform/classlib/date_time.h"

#include <cmath>

namespace classlib {

TDateTime DateOf(TDateTime Value) { return std::trunc(Value); }
TDateTime TimeOf(TDateTime Value) { return std::fabs(Value - std::trunc(Value)); }

std::string DateTimeToStr(TDateTime Value) { return DateToStr(Value) + " " + TimeToStr(Value); }

bool TryStrToDate(const std::string& Text, TDateTime& Value) {
  size_t pos = 0;
  TDateTime v = 0;
  if (!ParseDateText(Text, pos, v) || pos != Text.size()) return false;
  Value = v;
  return true;
}

bool TryStrToTime(const std::string& Text, TDateTime& Value) {
  size_t pos = 0;
  TDateTime v = 0;
  if (!ParseTimeText(Text, pos, v) || pos != Text.size()) return false;
  Value = v;
  return true;
}

bool TryStrToDateTime(const std::string& Text, TDateTime& Value) {
  size_t pos = 0;
  TDateTime date = 0, time = 0;
  if (ParseDateText(Text, pos, date)) {
    if (pos == Text.size()) {
      Value = date;
      return true;
    }
    if (Text[pos] != ' ') return false;
    ++pos;
    if (!ParseTimeText(Text, pos, time) || pos != Text.size()) return false;
    Value = date + (date < 0 ? -time : time);
    return true;
  }
  return TryStrToTime(Text, Value);
}

}  // namespace classlib
