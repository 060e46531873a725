// TDateTime (days since 1899-12-30, the fraction the time of day) and its text
// in the fixed formats yyyy-mm-dd and hh:nn:ss, the same on every machine.
#pragma once

#include <string>

namespace classlib {

using TDateTime = double;

// "yyyy-mm-dd", "hh:nn:ss" and "yyyy-mm-dd hh:nn:ss".
std::string DateToStr(TDateTime Value);
std::string TimeToStr(TDateTime Value);
std::string DateTimeToStr(TDateTime Value);
// False when Text is not in the format or names no real date or time; the
// date-time reader also takes a date alone or a time alone.
bool TryStrToDate(const std::string& Text, TDateTime& Value);
bool TryStrToTime(const std::string& Text, TDateTime& Value);
bool TryStrToDateTime(const std::string& Text, TDateTime& Value);
// Whole days and the time fraction of a date-time.
TDateTime DateOf(TDateTime Value);
TDateTime TimeOf(TDateTime Value);

}  // namespace classlib
