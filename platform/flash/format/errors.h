// Errors raised while reading movie data.
#pragma once

#include <stdexcept>

namespace flash {

// A movie or one of its tags is malformed (a length, count, offset or field is out of range).
struct FormatError : std::runtime_error {
  using runtime_error::runtime_error;
};

}  // namespace flash
