// Colours: TColor is 0x00BBGGRR. Values with the top bit set (0x80000000 | n)
// are system colours, resolved to a fixed scheme by ColorToRGB when drawn.
// clNone (0x1FFFFFFF) means "no colour"; clDefault (0x20000000) means "the
// default", which for a bitmap's transparent colour is its bottom-left pixel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace classlib {

using TColor = int32_t;

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// System colours.
constexpr TColor clScrollBar = static_cast<TColor>(0x80000000u);
constexpr TColor clBackground = static_cast<TColor>(0x80000001u);
constexpr TColor clActiveCaption = static_cast<TColor>(0x80000002u);
constexpr TColor clInactiveCaption = static_cast<TColor>(0x80000003u);
constexpr TColor clMenu = static_cast<TColor>(0x80000004u);
constexpr TColor clWindow = static_cast<TColor>(0x80000005u);
constexpr TColor clWindowFrame = static_cast<TColor>(0x80000006u);
constexpr TColor clMenuText = static_cast<TColor>(0x80000007u);
constexpr TColor clWindowText = static_cast<TColor>(0x80000008u);
constexpr TColor clCaptionText = static_cast<TColor>(0x80000009u);
constexpr TColor clActiveBorder = static_cast<TColor>(0x8000000Au);
constexpr TColor clInactiveBorder = static_cast<TColor>(0x8000000Bu);
constexpr TColor clAppWorkSpace = static_cast<TColor>(0x8000000Cu);
constexpr TColor clHighlight = static_cast<TColor>(0x8000000Du);
constexpr TColor clHighlightText = static_cast<TColor>(0x8000000Eu);
constexpr TColor clBtnFace = static_cast<TColor>(0x8000000Fu);
constexpr TColor clBtnShadow = static_cast<TColor>(0x80000010u);
constexpr TColor clGrayText = static_cast<TColor>(0x80000011u);
constexpr TColor clBtnText = static_cast<TColor>(0x80000012u);
constexpr TColor clInactiveCaptionText = static_cast<TColor>(0x80000013u);
constexpr TColor clBtnHighlight = static_cast<TColor>(0x80000014u);
constexpr TColor cl3DDkShadow = static_cast<TColor>(0x80000015u);
constexpr TColor cl3DLight = static_cast<TColor>(0x80000016u);
constexpr TColor clInfoText = static_cast<TColor>(0x80000017u);
constexpr TColor clInfoBk = static_cast<TColor>(0x80000018u);
constexpr TColor clHotLight = static_cast<TColor>(0x8000001Au);
constexpr TColor clGradientActiveCaption = static_cast<TColor>(0x8000001Bu);
constexpr TColor clGradientInactiveCaption = static_cast<TColor>(0x8000001Cu);
constexpr TColor clMenuHighlight = static_cast<TColor>(0x8000001Du);
constexpr TColor clMenuBar = static_cast<TColor>(0x8000001Eu);

// Named colours.
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;

// System colour indices (the low byte of a system colour).
enum : int {
  COLOR_SCROLLBAR = 0,
  COLOR_BACKGROUND = 1,
  COLOR_ACTIVECAPTION = 2,
  COLOR_INACTIVECAPTION = 3,
  COLOR_MENU = 4,
  COLOR_WINDOW = 5,
  COLOR_WINDOWFRAME = 6,
  COLOR_MENUTEXT = 7,
  COLOR_WINDOWTEXT = 8,
  COLOR_CAPTIONTEXT = 9,
  COLOR_ACTIVEBORDER = 10,
  COLOR_INACTIVEBORDER = 11,
  COLOR_APPWORKSPACE = 12,
  COLOR_HIGHLIGHT = 13,
  COLOR_HIGHLIGHTTEXT = 14,
  COLOR_BTNFACE = 15,
  COLOR_BTNSHADOW = 16,
  COLOR_GRAYTEXT = 17,
  COLOR_BTNTEXT = 18,
  COLOR_INACTIVECAPTIONTEXT = 19,
  COLOR_BTNHIGHLIGHT = 20,
  COLOR_3DDKSHADOW = 21,
  COLOR_3DLIGHT = 22,
  COLOR_INFOTEXT = 23,
  COLOR_INFOBK = 24,
  COLOR_HOTLIGHT = 26,
  COLOR_GRADIENTACTIVECAPTION = 27,
  COLOR_GRADIENTINACTIVECAPTION = 28,
  COLOR_MENUHILIGHT = 29,
  COLOR_MENUBAR = 30,
  COLOR_3DFACE = COLOR_BTNFACE,
  COLOR_3DSHADOW = COLOR_BTNSHADOW,
  COLOR_3DHIGHLIGHT = COLOR_BTNHIGHLIGHT,
  COLOR_3DHILIGHT = COLOR_BTNHIGHLIGHT,
  COLOR_BTNHILIGHT = COLOR_BTNHIGHLIGHT,
};

constexpr TColor RGB(int r, int g, int b) {
  return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(TColor c) { return c & 0xFF; }
constexpr int GetGValue(TColor c) { return (c >> 8) & 0xFF; }
constexpr int GetBValue(TColor c) { return (c >> 16) & 0xFF; }
// The colour with its red and blue bytes exchanged and the top byte dropped: 0x00RRGGBB (the byte
// order of true-colour pixels and of the movie player's colours) to 0x00BBGGRR and back.
constexpr uint32_t SwapRedBlue(uint32_t C) {
  return (C & 0xFF) << 16 | (C & 0xFF00) | (C >> 16 & 0xFF);
}

// The colour of a system colour index in the fixed scheme (0 for unknown indices).
TColor GetSysColor(int Index);
// Resolves system colours; any other value is returned unchanged.
TColor ColorToRGB(TColor Color);

// "clBlack"-style names of the named and system colours.
bool ColorToIdent(TColor Color, std::string& Ident);
bool IdentToColor(const std::string& Ident, TColor& Color);  // case-insensitive
// A name when the colour has one, else "$00BBGGRR" (8 hex digits).
std::string ColorToString(TColor Color);
// A colour name or a number ("$hex" or decimal); EConvertError otherwise.
TColor StringToColor(const std::string& S);

// One palette entry / colour-table entry, in the byte order of device-
// independent bitmaps: blue, green, red, reserved.
struct TRGBQuad {
  uint8_t rgbBlue = 0;
  uint8_t rgbGreen = 0;
  uint8_t rgbRed = 0;
  uint8_t rgbReserved = 0;
  friend bool operator==(const TRGBQuad&, const TRGBQuad&) = default;
};
using TPalette = std::vector<TRGBQuad>;

inline TRGBQuad RGBQuad(TColor c) {
  return {static_cast<uint8_t>(GetBValue(c)), static_cast<uint8_t>(GetGValue(c)),
          static_cast<uint8_t>(GetRValue(c)), 0};
}
inline TColor QuadToColor(const TRGBQuad& q) { return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue); }

// The palette of a new 8-bit bitmap: entries 0-215 the 6x6x6 cube (entry
// 36r + 6g + b is red 51r, green 51g, blue 51b), entries 216-255 a grey ramp
// (entry 215 + k has the level Round(255k / 41)).
const TPalette& DefaultPalette8();
// The 16 colours of a new 4-bit bitmap, and black and white of a 1-bit one.
const TPalette& DefaultPalette4();
const TPalette& DefaultPalette1();

// The entry nearest to Color (system colours resolved): smallest sum of
// squared differences, the lowest index on ties. -1 for an empty palette.
int NearestColorIndex(const TRGBQuad* Palette, int Count, TColor Color);
inline int NearestColorIndex(const TPalette& Palette, TColor Color) {
  return NearestColorIndex(Palette.data(), static_cast<int>(Palette.size()), Color);
}

}  // namespace classlib
