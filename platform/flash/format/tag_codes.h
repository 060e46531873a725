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
  kTagDefineFont = 10,
  kTagDefineText = 11,
  kTagDoAction = 12,
  kTagDefineFontInfo = 13,
  kTagDefineSound = 14,
  kTagStartSound = 15,
  kTagDefineButtonSound = 17,
  kTagSoundStreamHead = 18,
  kTagSoundStreamBlock = 19,
  kTagDefineBitsLossless = 20,
  kTagDefineBitsJpeg2 = 21,
  kTagDefineShape2 = 22,
  kTagPlaceObject2 = 26,
  kTagRemoveObject2 = 28,
  kTagDefineShape3 = 32,
  kTagDefineText2 = 33,
  kTagDefineBitsJpeg3 = 35,
  kTagDefineBitsLossless2 = 36,
  kTagDefineEditText = 37,
  kTagDefineSprite = 39,
  kTagFrameLabel = 43,
  kTagSoundStreamHead2 = 45,
  kTagDefineMorphShape = 46,
  kTagDefineFont2 = 48,
  kTagDoInitAction = 59,
  kTagDefineFontInfo2 = 62,
  kTagFileAttributes = 69,
  kTagPlaceObject3 = 70,
  kTagDoAbc2 = 72,
  kTagDefineFontAlignZones = 73,
  kTagDefineFont3 = 75,
  kTagSymbolClass = 76,
  kTagDoAbc = 82,
  kTagDefineShape4 = 83,
  kTagDefineMorphShape2 = 84,
  kTagDefineFontName = 88,
  kTagStartSound2 = 89,
  kTagDefineBitsJpeg4 = 90,
};

}  // namespace flash
