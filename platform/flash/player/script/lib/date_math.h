// Calendar arithmetic of the Date object. A date is a time value: milliseconds since 1970-01-01
// 00:00 UTC as a double, NaN for an invalid date. Unlike the standard language, values are not
// clipped to +-8.64e15: any finite value is a date (the player shows 8.64e15 + 1 as a valid date).
//
// Local time comes from the machine's zone through the C library (TZ applies). As the player
// does, the zone's present rules are used for every year: a date outside 2010..2037 takes the
// offset the zone has on the same day of a year of the same kind (leap or not, same weekday on
// 1 January) within that span.
#pragma once

#include <string>
#include <vector>

namespace flash::scriptlib {

constexpr double kMsPerDay = 86400000.0;

// The parts of a date as the getters return them. `year` is the full year; `day` the weekday
// (0 is Sunday). All NaN for NaN; for +-Infinity the player's values built on -2^31 (for example
// year -2147481678, date -2147483647, hours -2147483624).
struct DateFields {
  double year, month, date, hours, minutes, seconds, milliseconds, day;
};

DateFields UtcFields(double t);
DateFields LocalFields(double t);

// The zone's offset from UTC at UTC time `t`, in milliseconds (east positive). 0 for non-finite t.
double LocalOffsetMs(double t);
// getTimezoneOffset(): minutes to add to local time to get UTC (west positive); NaN for non-finite.
double TimezoneOffsetMinutes(double t);
// The UTC time value of local time value `local`.
double UtcFromLocal(double local);

// The standard building blocks, with each argument truncated to an integer. A non-finite year
// counts as -2^31; a non-finite month gives NaN; infinite dates and times carry through as
// infinities (so the date becomes Infinity), and NaN as NaN.
double MakeDay(double year, double month, double date);
double MakeTime(double hours, double minutes, double seconds, double ms);
double MakeDate(double day, double time);

// new Date(year, month[, date, hours, minutes, seconds, ms]) (local) and Date.UTC(...) (`utc`):
// `args` holds at least year and month (fewer: the caller's concern; Date.UTC then answers
// undefined); missing parts are date 1 and 0 for the rest. A year below 100 means 1900 + year.
double DateFromParts(const std::vector<double>& args, bool utc);

// The setters. `first` is the part the setter is named after; `args` fills that part and the ones
// after it (setFullYear: year, month, date; setMonth: month, date; setDate; setHours: hours,
// minutes, seconds, ms; setMinutes: minutes, seconds, ms; setSeconds: seconds, ms;
// setMilliseconds); extra arguments are ignored and parts not given keep their values. setYear is
// setFullYear where a year 0..99 means 1900 + year. A date that is not finite stays invalid (NaN),
// and so does a result more than 8.64e15 from 1970 either way. Without arguments the result is NaN.
// As the player does, the month setters read a missing or NaN month as January, and the minute
// setters read a missing or non-finite part as -2^31.
enum class DatePart { FullYear, Year, Month, Date, Hours, Minutes, Seconds, Milliseconds };
double SetDateParts(double t, DatePart first, const std::vector<double>& args, bool utc);
// setTime(t): t truncated; NaN when more than 8.64e15 from 1970 either way.
double SetTimeValue(double t);

// Date.toString(): "Thu Jan 1 05:45:00 GMT+0545 1970" in local time; "Invalid Date" for
// non-finite values.
std::string DateToString(double t);

}  // namespace flash::scriptlib
