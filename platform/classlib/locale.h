// The user's number separators and the system beep.
#pragma once

#include <string>

namespace classlib {

// The decimal and thousands separators of the user's locale, each one
// character (a code point) in UTF-8: the French thousands separator, a
// narrow no-break space, is three bytes.
const std::string& DecimalSeparator();
const std::string& ThousandSeparator();
// Changes the separators, as the desktop does when the user picks another
// locale, and tells the main window's hooks with WM_SETTINGCHANGE. Empty or
// multi-character values are refused (EConvertError).
void SetLocaleSeparators(const std::string& Decimal, const std::string& Thousand);

// Plays the desktop's default alert sound. Type is accepted for the callers'
// sake; every kind sounds the same.
void MessageBeep(unsigned Type = 0);
// How many beeps were asked for since the process started.
int MessageBeepCount();

}  // namespace classlib
