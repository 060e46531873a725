// Access keys: the letter after '&' in a caption ("&&" stands for a plain
// '&'). Alt with that letter, pressed anywhere on a form, reaches the
// controls as CM_DIALOGCHAR until one takes it (Result non-zero).
#pragma once

#include <cstdint>
#include <string>

namespace classlib {

// True when Key (a virtual key code or character, any case) is Caption's
// access key.
bool IsAccel(uint32_t Key, const std::string& Caption);

}  // namespace classlib
