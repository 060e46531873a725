// Helpers shared by the tree, its view, the header and the scroll bar: the
// length-prefixed strings of their streams, the currency reader of the sort
// keys, keyboard repeat timings, small integer helpers, the HLS colour model,
// and the drawing primitives (arrows, 3-D frames, the tree's flat border,
// transparent copies) over the class library's canvas.
#pragma once

#include <cstdint>
#include <string>

#include "platform/classlib/colors.h"
#include "platform/classlib/geometry.h"
#include "platform/classlib/messages.h"

namespace classlib {
class TCanvas;
class TBitmap;
class TStream;
class TComponent;
class TForm;
}  // namespace classlib

namespace lumicast {

// ---- operating-system family flags ----------------------------------------
// Set once at start-up. This platform behaves like the newest family the
// controls know (NT, major version above 4), which picks their modern look.
inline constexpr bool Os9xFamily = false;
inline constexpr bool Os9xBuildAbove999 = false;
inline constexpr bool OsNtFamily = true;
inline constexpr bool OsNtMajorAbove4 = true;
inline constexpr bool Os9xMinorNonZero = false;
inline constexpr bool Os9xMinorAbove89 = false;

// ---- stream strings ---------------------------------------------------------
// An int32 byte count, then the bytes (none for an empty text). False when the
// stream failed.
bool WriteCountedString(classlib::TStream* Stream, const std::string& Text);
// False, with Text unchanged, when the count is negative ("Invalid string
// header read from the stream"), larger than what is left in the stream, or the
// stream fails.
bool ReadCountedString(classlib::TStream* Stream, std::string& Text);

// ---- text and numbers --------------------------------------------------------
bool TextEqualsIgnoreCase(const std::string& A, const std::string& B);

// The locale's currency conventions used by ParseCurrency.
struct TElCurrencyFormat {
  std::string CurrencyString = "$";
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
};
// The conventions in effect (the class library's fixed number format).
const TElCurrencyFormat& CurrentCurrencyFormat();

// The currency value of a text in ten-thousandths (1,5 gives 15000).
int64_t ParseCurrency(const std::string& Text);
int64_t ParseCurrency(const std::string& Text, const TElCurrencyFormat& Format);

inline bool InRange(int Lo, int Hi, int Value) { return Lo <= Value && Value <= Hi; }
inline int MaxInt2(int A, int B) { return A > B ? A : B; }
inline int MinInt2(int A, int B) { return A < B ? A : B; }
// A glyph box centred in a rectangle of the given size (clipped to it).
classlib::TRect CenterBox(int GlyphWidth, int RectWidth, int GlyphHeight, int RectHeight);

// ---- keyboard ---------------------------------------------------------------
enum TKeyRepeatTiming { krSpeed, krDelay };
// The system keyboard settings: repeat speed 0..31 and delay 0..3.
struct TKeyboardSettings {
  int Speed = 31;
  int Delay = 1;
};
const TKeyboardSettings& SystemKeyboardSettings();
// Milliseconds between repeats (krSpeed) or before the first repeat (krDelay).
int KeyRepeatTiming(TKeyRepeatTiming Which);
int KeyRepeatTiming(TKeyRepeatTiming Which, const TKeyboardSettings& Settings);

// ---- HLS colours --------------------------------------------------------------
// Hue, luminance and saturation each 0..252 (hue in six sextants of 42),
// packed as H | L << 8 | S << 16.
inline constexpr int kHlsMax = 252;
uint32_t RGBToHLS(classlib::TColor Color);
classlib::TColor HLSToRGB(uint32_t Hls);
inline uint32_t PackHLS(int H, int L, int S) {
  return static_cast<uint32_t>(H) | static_cast<uint32_t>(L) << 8 | static_cast<uint32_t>(S) << 16;
}
inline int HueOf(uint32_t Hls) { return Hls & 0xFF; }
inline int LuminanceOf(uint32_t Hls) { return (Hls >> 8) & 0xFF; }
inline int SaturationOf(uint32_t Hls) { return (Hls >> 16) & 0xFF; }

// ---- drawing ------------------------------------------------------------------
enum TElFlatBorderType {
  fbtFlat,
  fbtSunken,
  fbtSunkenInner,
  fbtSunkenOuter,
  fbtRaised,
  fbtRaisedInner,
  fbtRaisedOuter,
  fbtBump,
  fbtBigBump,
  fbtEtched,
  fbtFramed,
  fbtLine,
  fbtLineBorder,
  fbtNone
};

enum TElArrowDirection { eadLeft = 0, eadUp = 1, eadRight = 2, eadDown = 3 };

// A solid triangle (4 x 7 pointing left or right, 7 x 4 up or down) centred
// in R; disabled arrows are embossed.
void DrawArrow(classlib::TCanvas* Canvas, TElArrowDirection Direction, const classlib::TRect& R,
               bool Enabled, classlib::TColor Color);
// A 3-D frame around R in shades of Color.
void PaintButtonFrame(classlib::TCanvas* Canvas, const classlib::TRect& R, bool Raised, bool Thin,
                      classlib::TColor Color, bool Pressed);
// The tree's border inside R.
void PaintFlatBorder(classlib::TCanvas* Canvas, const classlib::TRect& R, classlib::TColor BkColor,
                     TElFlatBorderType BorderType, bool Enabled, bool Focused);
// Copies Source's part SourceRect to (X, Y), leaving the destination where
// the source has TransparentColor.
void TransparentBlit(classlib::TCanvas* Dest, classlib::TBitmap* Source, int X, int Y,
                     const classlib::TRect& SourceRect, classlib::TColor TransparentColor);
void FillSolid(classlib::TCanvas* Canvas, int X, int Y, classlib::TColor Color, int Height,
               int Width);
// Top and left lines in TopLeft, bottom and right lines in BottomRight.
void DrawFrameColors(classlib::TCanvas* Canvas, int X, int Y, classlib::TColor BottomRight,
                     classlib::TColor TopLeft, int Height, int Width);
void DrawNestedFrames(classlib::TCanvas* Canvas, const classlib::TRect& R, classlib::TColor TopLeft,
                      classlib::TColor BottomRight, classlib::TColor InnerTopLeft,
                      classlib::TColor InnerBottomRight);

// ---- Keyboard, owners and the message pump ----------------------------------
// Shift, Alt and Ctrl from the current key states.
classlib::TShiftState ShiftStateNow();
// The first form among AComponent and its owners; nullptr when there is none.
classlib::TForm* OwnerForm(classlib::TComponent* AComponent);

// Runs every message pending for the user-interface thread and returns; a quit
// request is taken off the queue without being run. One object serves the
// whole program.
class TElMessagePump {
 public:
  void Pump();
};
TElMessagePump& ElMessagePump();

}  // namespace lumicast
