// The error every reader of the movie format throws for malformed or unsupported data.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace flash {

struct FormatError : std::runtime_error {
  explicit FormatError(const std::string& what, const uint8_t* where = nullptr)
      : std::runtime_error(what), at(where) {}
  // The byte whose reading failed, while the data it points into is alive (null when unknown).
  // The movie reader turns it into an offset and then clears it.
  const uint8_t* at = nullptr;
  // Set once the message names the tag and the offset where reading failed.
  bool located = false;
};

}  // namespace flash
