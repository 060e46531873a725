// The error every reader of the movie format throws for malformed or unsupported data.
#pragma once

#include <stdexcept>
#include <string>

namespace flash {

struct FormatError : std::runtime_error {
  explicit FormatError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace flash
