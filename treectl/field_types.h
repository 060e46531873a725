// The type of data a cell or a column holds; the in-place editor and the sort
// keys follow it. Shared by the header sections and the tree items.
#pragma once

#include <cstdint>

namespace lumicast {

enum TFieldTypes : uint8_t {
  sftCustom,
  sftText,
  sftNumber,
  sftFloating,
  sftDateTime,
  sftDate,
  sftTime,
  sftPicture,
  sftEnum,
  sftBLOB,
  sftUndef,
  sftBool,
  sftCurrency
};

}  // namespace lumicast
