// Whole texts read as dates and times (the calendar and the fixed text forms
// are date_utils'), and the day and time parts of a date-time.
#pragma once

#include <string>

#include "platform/classlib/date_utils.h"

namespace classlib {

// "YYYY-MM-DD hh:nn:ss".
std::string DateTimeToStr(TDateTime Value);
// True when the whole of Text is a date, a time, or a date, a blank and a
// time; Value is untouched otherwise.
bool TryStrToDate(const std::string& Text, TDateTime& Value);
bool TryStrToTime(const std::string& Text, TDateTime& Value);
bool TryStrToDateTime(const std::string& Text, TDateTime& Value);
// Whole days and the time fraction of a date-time.
TDateTime DateOf(TDateTime Value);
TDateTime TimeOf(TDateTime Value);

}  // namespace classlib
