// The scroll-info record of SBM_SETSCROLLINFO and SBM_GETSCROLLINFO: seven
// 32-bit fields (28 bytes), of which fMask says which are meant.
#pragma once

#include <cstdint>

namespace classlib {

enum : uint32_t {
  SIF_RANGE = 0x1,
  SIF_PAGE = 0x2,
  SIF_POS = 0x4,
  SIF_DISABLENOSCROLL = 0x8,
  SIF_TRACKPOS = 0x10,
  SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS,
};

struct SCROLLINFO {
  uint32_t cbSize = sizeof(SCROLLINFO);
  uint32_t fMask = 0;
  int32_t nMin = 0;
  int32_t nMax = 0;
  uint32_t nPage = 0;
  int32_t nPos = 0;
  int32_t nTrackPos = 0;
};
static_assert(sizeof(SCROLLINFO) == 28);

}  // namespace classlib
