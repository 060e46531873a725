// Dates and times as day counts: TDateTime holds the days since 1899-12-30 with the time of day
// as the fraction. The calendar is the proleptic Gregorian one; text forms are fixed
// ("YYYY-MM-DD", "hh:nn:ss") so that files written under one locale read back under another.
#pragma once

#include <cstdint>
#include <string>

namespace classlib {

using TDateTime = double;

// The day of a calendar date; false (Date untouched) for a date that does not exist.
bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Date);
// The calendar date of Date's day (its fraction is ignored).
void DecodeDate(TDateTime Date, int64_t& Year, int& Month, int& Day);

// "YYYY-MM-DD" of Date's day, and "hh:nn:ss" of its time of day (rounded to the second).
std::string DateToStr(TDateTime Date);
std::string TimeToStr(TDateTime Date);

// Read from S at Pos, which moves past what was read: a date "Y-M-D" (year of up to 4 digits,
// month and day of up to 2), giving whole days; a time "h:n[:s[.zzz]]", giving the fraction of a
// day. False when the text there is not one.
bool ParseDateText(const std::string& S, size_t& Pos, TDateTime& Date);
bool ParseTimeText(const std::string& S, size_t& Pos, TDateTime& Time);

}  // namespace classlib
