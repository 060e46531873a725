#include "platform/classlib/access_keys.h"

#include <cctype>

namespace classlib {

bool IsAccel(uint32_t Key, const std::string& Caption) {
  if (Key == 0 || Key > 0x7F) return false;
  for (size_t i = 0; i + 1 < Caption.size(); ++i) {
    if (Caption[i] != '&') continue;
    if (Caption[i + 1] == '&') {  // a plain '&'
      ++i;
      continue;
    }
    return std::toupper(static_cast<unsigned char>(Caption[i + 1])) ==
           std::toupper(static_cast<int>(Key));
  }
  return false;
}

}  // namespace classlib
