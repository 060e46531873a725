// Codes of the movie tags the reader, the definition parser and the writer know.
#pragma once

#include <cstdint>

namespace flash {

enum TagCode : uint16_t {
  kTagEnd = 0,
  kTagShowFrame = 1,
  kTagDefineShape = 2,
  kTagPlaceObject = 4,
  kTagRemoveObject = 5,
  kTagDefineBits = 6,
  kTagDefineButton = 7,
  kTagJpegTables = 8,
  kTagSetBackgroundColor = 9,
  kTagDoAction = 12,
  kTagDefineBitsLossless = 20,
  kTagDefineBitsJpeg2 = 21,
  kTagDefineShape2 = 22,
  kTagPlaceObject2 = 26,
  kTagRemoveObject2 = 28,
  kTagDefineShape3 = 32,
  kTagDefineBitsJpeg3 = 35,
  kTagDefineBitsLossless2 = 36,
  kTagDefineSprite = 39,
  kTagFrameLabel = 43,
  kTagDefineMorphShape = 46,
  kTagDoInitAction = 59,
  kTagDefineVideoStream = 60,
  kTagVideoFrame = 61,
  kTagFileAttributes = 69,
  kTagPlaceObject3 = 70,
  kTagDoAbc2 = 72,
  kTagDoAbc = 82,
  kTagDefineShape4 = 83,
  kTagDefineMorphShape2 = 84,
  kTagDefineBitsJpeg4 = 90,
};

}  // namespace flash
