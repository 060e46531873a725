#include "platform/flash/player/value.h"

#include "platform/flash/player/script/lib/number_text.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace flash {

std::string NumberToString(double d) { return scriptlib::NumberToString(d); }

double StringToNumber(const std::string& s, int swf_version) {
  return scriptlib::StringToNumber(s, swf_version);
}

}  // namespace flash
