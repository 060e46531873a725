#include "treectl/tree_utils.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>

#include "platform/classlib/application.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/drawing_helpers.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/form.h"
#include "platform/classlib/math_utils.h"
#include "platform/classlib/stream.h"
#include "platform/classlib/string_utils.h"

namespace lumicast {

using namespace classlib;

// ---------------------------------------------------------------------------
// Stream strings

bool WriteCountedString(TStream* Stream, const std::string& Text) {
  try {
    if (Text.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) return false;
    Stream->WriteValue<int32_t>(static_cast<int32_t>(Text.size()));
    if (!Text.empty()) Stream->WriteBuffer(Text.data(), static_cast<int64_t>(Text.size()));
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool ReadCountedString(TStream* Stream, std::string& Text) {
  try {
    int32_t count = Stream->ReadValue<int32_t>();
    if (count < 0) throw EReadError("Invalid string header read from the stream");
    // A count beyond the stream's end is refused before anything is allocated.
    if (count > Stream->Size() - Stream->Position())
      throw EReadError("Invalid string header read from the stream");
    std::string read(static_cast<size_t>(count), '\0');
    if (count > 0) Stream->ReadBuffer(read.data(), count);
    Text = std::move(read);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// ---------------------------------------------------------------------------
// Text and numbers

bool TextEqualsIgnoreCase(const std::string& A, const std::string& B) { return SameText(A, B); }

const TElCurrencyFormat& CurrentCurrencyFormat() {
  static const TElCurrencyFormat format;
  return format;
}

int64_t ParseCurrency(const std::string& Text) {
  return ParseCurrency(Text, CurrentCurrencyFormat());
}

int64_t ParseCurrency(const std::string& Text, const TElCurrencyFormat& Format) {
  if (Text.empty()) return 0;
  const std::string& symbol = Format.CurrencyString;
  size_t symbol_at = symbol.empty() ? std::string::npos : Text.find(symbol);
  const int64_t limit = (std::numeric_limits<int64_t>::max() - 90000) / 10;

  int64_t value = 0;  // ten-thousandths
  bool negative = false;
  bool in_fraction = false;
  bool seen_digit = false;
  int fraction_digits = 0;
  size_t i = 0;
  while (i < Text.size()) {
    if (i == symbol_at) {
      i += symbol.size();
      continue;
    }
    unsigned char c = static_cast<unsigned char>(Text[i]);
    if (std::isdigit(c)) {
      int digit = c - '0';
      seen_digit = true;
      if (!in_fraction) {
        if (value > limit) break;  // too large for the currency range
        value = value * 10 + digit * 10000;
      } else {
        ++fraction_digits;
        if (fraction_digits <= 4) {
          static const int kScale[] = {1000, 100, 10, 1};
          value += digit * kScale[fraction_digits - 1];
        } else if (fraction_digits <= 20) {
          long double share = digit;
          for (int k = 4; k < fraction_digits; ++k) share /= 10;
          value += Round(share);
        }
      }
    } else if (c == '.' || c == ',' || c == static_cast<unsigned char>(Format.DecimalSeparator)) {
      if (in_fraction) break;
      in_fraction = true;
    } else if (c == static_cast<unsigned char>(Format.ThousandSeparator)) {
      // Only a separator that cannot be read as a decimal point is skipped.
    } else if (c == '-' || c == '(') {
      negative = true;
      if (seen_digit) break;
    } else if (c < '!') {
      // blanks and control characters are skipped
    } else {
      break;
    }
    ++i;
  }
  return negative ? -value : value;
}

TRect CenterBox(int GlyphWidth, int RectWidth, int GlyphHeight, int RectHeight) {
  TRect r;
  r.Left = std::max(0, RectWidth / 2 - GlyphWidth / 2);
  r.Top = std::max(0, RectHeight / 2 - GlyphHeight / 2);
  r.Right = std::min(RectWidth, r.Left + GlyphWidth);
  r.Bottom = std::min(RectHeight, r.Top + GlyphHeight);
  return r;
}

// ---------------------------------------------------------------------------
// Keyboard

const TKeyboardSettings& SystemKeyboardSettings() {
  static const TKeyboardSettings settings;
  return settings;
}

int KeyRepeatTiming(TKeyRepeatTiming Which) {
  return KeyRepeatTiming(Which, SystemKeyboardSettings());
}

int KeyRepeatTiming(TKeyRepeatTiming Which, const TKeyboardSettings& Settings) {
  if (Which == krSpeed) return 1000 / (std::clamp(Settings.Speed, 0, 31) + 1);
  return std::clamp(Settings.Delay, 0, 3) * 250 + 250;
}

// ---------------------------------------------------------------------------
// HLS colours: the usual integer conversion, on a 0..252 scale.

namespace {

constexpr int kRgbMax = 255;
constexpr int kHueUndefined = kHlsMax * 2 / 3;

int HueToRGB(int N1, int N2, int Hue) {
  if (Hue < 0) Hue += kHlsMax;
  if (Hue > kHlsMax) Hue -= kHlsMax;
  if (Hue < kHlsMax / 6) return N1 + ((N2 - N1) * Hue + kHlsMax / 12) / (kHlsMax / 6);
  if (Hue < kHlsMax / 2) return N2;
  if (Hue < kHlsMax * 2 / 3)
    return N1 + ((N2 - N1) * (kHlsMax * 2 / 3 - Hue) + kHlsMax / 12) / (kHlsMax / 6);
  return N1;
}

}  // namespace

uint32_t RGBToHLS(TColor Color) {
  TColor rgb = ColorToRGB(Color);
  int r = GetRValue(rgb), g = GetGValue(rgb), b = GetBValue(rgb);
  int c_max = std::max({r, g, b});
  int c_min = std::min({r, g, b});
  int l = ((c_max + c_min) * kHlsMax + kRgbMax) / (2 * kRgbMax);
  int h, s;
  if (c_max == c_min) {
    s = 0;
    h = kHueUndefined;
  } else {
    int sum = c_max + c_min;
    int delta = c_max - c_min;
    if (l <= kHlsMax / 2)
      s = (delta * kHlsMax + sum / 2) / sum;
    else
      s = (delta * kHlsMax + (2 * kRgbMax - sum) / 2) / (2 * kRgbMax - sum);
    int r_delta = ((c_max - r) * (kHlsMax / 6) + delta / 2) / delta;
    int g_delta = ((c_max - g) * (kHlsMax / 6) + delta / 2) / delta;
    int b_delta = ((c_max - b) * (kHlsMax / 6) + delta / 2) / delta;
    if (r == c_max)
      h = b_delta - g_delta;
    else if (g == c_max)
      h = kHlsMax / 3 + r_delta - b_delta;
    else
      h = kHlsMax * 2 / 3 + g_delta - r_delta;
    if (h < 0) h += kHlsMax;
    if (h > kHlsMax) h -= kHlsMax;
  }
  return PackHLS(h, l, s);
}

TColor HLSToRGB(uint32_t Hls) {
  int h = HueOf(Hls), l = std::min(LuminanceOf(Hls), kHlsMax),
      s = std::min(SaturationOf(Hls), kHlsMax);
  int r, g, b;
  if (s == 0) {
    r = g = b = l * kRgbMax / kHlsMax;
  } else {
    int magic2 = l <= kHlsMax / 2 ? (l * (kHlsMax + s) + kHlsMax / 2) / kHlsMax
                                  : l + s - (l * s + kHlsMax / 2) / kHlsMax;
    int magic1 = 2 * l - magic2;
    r = (HueToRGB(magic1, magic2, h + kHlsMax / 3) * kRgbMax + kHlsMax / 2) / kHlsMax;
    g = (HueToRGB(magic1, magic2, h) * kRgbMax + kHlsMax / 2) / kHlsMax;
    b = (HueToRGB(magic1, magic2, h - kHlsMax / 3) * kRgbMax + kHlsMax / 2) / kHlsMax;
  }
  return RGB(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
}

// ---------------------------------------------------------------------------
// Drawing

namespace {

// Keeps the canvas's brush and pen as they were.
class CanvasState {
 public:
  explicit CanvasState(TCanvas* Canvas)
      : canvas_(Canvas),
        brush_color_(Canvas->Brush()->Color()),
        brush_style_(Canvas->Brush()->Style()),
        pen_color_(Canvas->Pen()->Color()) {}
  ~CanvasState() {
    canvas_->Brush()->SetColor(brush_color_);
    canvas_->Brush()->SetStyle(brush_style_);
    canvas_->Pen()->SetColor(pen_color_);
  }
  CanvasState(const CanvasState&) = delete;
  CanvasState& operator=(const CanvasState&) = delete;

 private:
  TCanvas* canvas_;
  TColor brush_color_;
  TBrushStyle brush_style_;
  TColor pen_color_;
};

void Fill(TCanvas* Canvas, const TRect& R, TColor Color) {
  if (IsRectEmpty(R)) return;
  Canvas->Brush()->SetColor(Color);
  Canvas->Brush()->SetStyle(bsSolid);
  Canvas->FillRect(R);
}

// A one-pixel frame just inside R: top and left in TopLeft, bottom and right
// in BottomRight (which takes the two corners they share).
void Frame(TCanvas* Canvas, const TRect& R, TColor TopLeft, TColor BottomRight) {
  TRect r = R;
  Frame3D(Canvas, r, TopLeft, BottomRight, 1);
}

void Triangle(TCanvas* Canvas, TElArrowDirection Direction, int X, int Y, TColor Color) {
  // (X, Y) is the top-left corner of the triangle's box.
  for (int i = 0; i < 4; ++i) {
    switch (Direction) {
      case eadLeft: Fill(Canvas, Rect(X + i, Y + 3 - i, X + i + 1, Y + 4 + i), Color); break;
      case eadRight: Fill(Canvas, Rect(X + 3 - i, Y + 3 - i, X + 4 - i, Y + 4 + i), Color); break;
      case eadUp: Fill(Canvas, Rect(X + 3 - i, Y + i, X + 4 + i, Y + i + 1), Color); break;
      case eadDown: Fill(Canvas, Rect(X + 3 - i, Y + 3 - i, X + 4 + i, Y + 4 - i), Color); break;
    }
  }
}

}  // namespace

void DrawArrow(TCanvas* Canvas, TElArrowDirection Direction, const TRect& R, bool Enabled,
               TColor Color) {
  bool horizontal = Direction == eadLeft || Direction == eadRight;
  int box_w = horizontal ? 4 : 7;
  int box_h = horizontal ? 7 : 4;
  if (horizontal ? (R.Width() < 3 || R.Height() < 6) : (R.Width() < 6 || R.Height() < 3)) return;
  int x = R.Left + (R.Width() - box_w) / 2;
  int y = R.Top + (R.Height() - box_h) / 2;
  CanvasState keep(Canvas);
  if (Enabled) {
    Triangle(Canvas, Direction, x, y, Color);
  } else {
    Triangle(Canvas, Direction, x + 1, y + 1, clBtnHighlight);
    Triangle(Canvas, Direction, x, y, clBtnShadow);
  }
}

void PaintButtonFrame(TCanvas* Canvas, const TRect& R, bool Raised, bool Thin, TColor Color,
                      bool Pressed) {
  TColor highlight, dark, face, shadow;
  if (Color == clBtnFace) {
    highlight = clBtnHighlight;
    dark = cl3DDkShadow;
    face = clBtnFace;
    shadow = clBtnShadow;
  } else {
    uint32_t hls = RGBToHLS(Color);
    int h = HueOf(hls), l = LuminanceOf(hls), s = SaturationOf(hls);
    highlight = HLSToRGB(PackHLS(h, std::min(239, l + l / 3), s));
    dark = HLSToRGB(PackHLS(h, std::min(239, l - l / 2), s));
    shadow = HLSToRGB(PackHLS(h, std::min(239, l - l / 3), s));
    face = Color;
  }
  CanvasState keep(Canvas);
  TRect inner = R;
  InflateRect(inner, -1, -1);
  if (Pressed) {
    Frame(Canvas, R, shadow, shadow);
    if (!Thin) Frame(Canvas, inner, face, face);
  } else if (Raised) {
    Frame(Canvas, R, highlight, dark);
    if (!Thin) Frame(Canvas, inner, face, shadow);
  } else {
    Frame(Canvas, R, shadow, dark);
    if (!Thin) Frame(Canvas, inner, face, highlight);
  }
}

void PaintFlatBorder(TCanvas* Canvas, const TRect& R, TColor BkColor, TElFlatBorderType BorderType,
                     bool /*Enabled*/, bool Focused) {
  CanvasState keep(Canvas);
  TRect r = R;
  TRect inner = R;
  InflateRect(inner, -1, -1);
  switch (BorderType) {
    case fbtFlat:
      Frame(Canvas, r, BkColor, BkColor);
      Frame(Canvas, inner, BkColor, BkColor);
      Frame(Canvas, r, clBtnShadow, clBtnHighlight);
      if (Focused) Frame(Canvas, inner, cl3DDkShadow, cl3DLight);
      return;
    case fbtLine:
    case fbtLineBorder:
    case fbtNone:
      Frame(Canvas, r, BkColor, BkColor);
      Frame(Canvas, inner, BkColor, BkColor);
      if (BorderType == fbtLine)
        Fill(Canvas, Rect(r.Left, r.Bottom - 1, r.Right, r.Bottom), clWindowFrame);
      else if (BorderType == fbtLineBorder)
        Frame(Canvas, r, clWindowFrame, clWindowFrame);
      return;
    default: break;
  }
  unsigned edge = EDGE_SUNKEN;
  switch (BorderType) {
    case fbtSunkenInner: edge = BDR_SUNKENINNER; break;
    case fbtSunkenOuter: edge = BDR_SUNKENOUTER; break;
    case fbtRaised: edge = EDGE_RAISED; break;
    case fbtRaisedInner: edge = BDR_RAISEDINNER; break;
    case fbtRaisedOuter: edge = BDR_RAISEDOUTER; break;
    case fbtBump:
    case fbtBigBump:
    case fbtFramed: edge = EDGE_BUMP; break;
    case fbtEtched: edge = EDGE_ETCHED; break;
    default: break;
  }
  DrawEdge(Canvas, r, edge, BF_RECT | BF_ADJUST);
  // The border is two pixels wide; single edges leave a one-pixel ring that
  // takes the colour of what it borders.
  switch (BorderType) {
    case fbtSunkenInner:
    case fbtSunkenOuter: Frame(Canvas, r, clWindow, clWindow); break;
    case fbtRaisedInner:
    case fbtRaisedOuter: Frame(Canvas, r, clBtnFace, clBtnFace); break;
    case fbtBump: break;
    case fbtBigBump: Frame(Canvas, r, clBtnFace, clBtnFace); break;
    case fbtFramed:
      Frame(Canvas, R, clBtnShadow, clBtnShadow);
      Frame(Canvas, r, clWindow, clWindow);
      break;
    default: break;
  }
}

void TransparentBlit(TCanvas* Dest, TBitmap* Source, int X, int Y, const TRect& SourceRect,
                     TColor TransparentColor) {
  if (Dest == nullptr || Source == nullptr || IsRectEmpty(SourceRect)) return;
  TransparentBlt(Dest, X, Y, SourceRect.Width(), SourceRect.Height(), Source, SourceRect.Left,
                 SourceRect.Top, SourceRect.Width(), SourceRect.Height(),
                 ColorToRGB(TransparentColor));
}

void FillSolid(TCanvas* Canvas, int X, int Y, TColor Color, int Height, int Width) {
  CanvasState keep(Canvas);
  Fill(Canvas, Bounds(X, Y, Width, Height), Color);
}

void DrawFrameColors(TCanvas* Canvas, int X, int Y, TColor BottomRight, TColor TopLeft, int Height,
                     int Width) {
  CanvasState keep(Canvas);
  Frame(Canvas, Bounds(X, Y, Width, Height), TopLeft, BottomRight);
}

void DrawNestedFrames(TCanvas* Canvas, const TRect& R, TColor TopLeft, TColor BottomRight,
                      TColor InnerTopLeft, TColor InnerBottomRight) {
  CanvasState keep(Canvas);
  Frame(Canvas, R, TopLeft, BottomRight);
  TRect inner = R;
  InflateRect(inner, -1, -1);
  Frame(Canvas, inner, InnerTopLeft, InnerBottomRight);
}

classlib::TShiftState ShiftStateNow() { return classlib::KeyboardShiftState(); }

classlib::TForm* OwnerForm(classlib::TComponent* AComponent) {
  for (classlib::TComponent* c = AComponent; c != nullptr; c = c->Owner()) {
    if (auto* form = dynamic_cast<classlib::TForm*>(c)) return form;
  }
  return nullptr;
}

void TElMessagePump::Pump() {
  if (classlib::Application != nullptr) classlib::Application->ProcessMessages();
}

TElMessagePump& ElMessagePump() {
  static TElMessagePump pump;
  return pump;
}

}  // namespace lumicast
