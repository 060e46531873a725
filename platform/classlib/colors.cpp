#include "platform/classlib/colors.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "platform/classlib/color_table.h"
#include "platform/classlib/exceptions.h"

namespace classlib {

namespace {

// The fixed colour scheme of the system colours, by index.
constexpr std::array<TColor, 31> kSysColors = {
    RGB(212, 208, 200),  // scroll bar
    RGB(58, 110, 165),   // desktop
    RGB(10, 36, 106),    // active caption
    RGB(128, 128, 128),  // inactive caption
    RGB(212, 208, 200),  // menu
    RGB(255, 255, 255),  // window
    RGB(0, 0, 0),        // window frame
    RGB(0, 0, 0),        // menu text
    RGB(0, 0, 0),        // window text
    RGB(255, 255, 255),  // caption text
    RGB(212, 208, 200),  // active border
    RGB(212, 208, 200),  // inactive border
    RGB(128, 128, 128),  // application work space
    RGB(10, 36, 106),    // highlight
    RGB(255, 255, 255),  // highlight text
    RGB(212, 208, 200),  // button face
    RGB(128, 128, 128),  // button shadow
    RGB(128, 128, 128),  // grey text
    RGB(0, 0, 0),        // button text
    RGB(212, 208, 200),  // inactive caption text
    RGB(255, 255, 255),  // button highlight
    RGB(64, 64, 64),     // 3-D dark shadow
    RGB(212, 208, 200),  // 3-D light
    RGB(0, 0, 0),        // tooltip text
    RGB(255, 255, 225),  // tooltip background
    RGB(181, 181, 181),  // (unused index)
    RGB(0, 0, 128),      // hot-tracked item
    RGB(166, 202, 240),  // active caption gradient
    RGB(192, 192, 192),  // inactive caption gradient
    RGB(49, 106, 197),   // menu highlight
    RGB(236, 233, 216),  // menu bar
};

// The names beyond the colour pickers' table, which is searched first.
constexpr TColorName kMoreColorNames[] = {
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clDefault, "clDefault"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clHotLight, "clHotLight"},
    {clMenuBar, "clMenuBar"},
    {clMenuHighlight, "clMenuHighlight"},
};

bool SameTextAscii(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return i == a.size() && b[i] == 0;
}

TPalette MakeDefault8() {
  TPalette p(256);
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) {
        TRGBQuad& q = p[36 * r + 6 * g + b];
        q.rgbRed = static_cast<uint8_t>(51 * r);
        q.rgbGreen = static_cast<uint8_t>(51 * g);
        q.rgbBlue = static_cast<uint8_t>(51 * b);
      }
  for (int k = 1; k <= 40; ++k) {
    // Round(255k / 41), half to even; 255k / 41 is never exactly x.5.
    int level = (255 * k * 2 + 41) / 82;
    TRGBQuad& q = p[215 + k];
    q.rgbRed = q.rgbGreen = q.rgbBlue = static_cast<uint8_t>(level);
  }
  return p;
}

}  // namespace

TColor GetSysColor(int Index) {
  if (Index < 0 || Index >= static_cast<int>(kSysColors.size())) return 0;
  return kSysColors[static_cast<size_t>(Index)];
}

TColor ColorToRGB(TColor Color) {
  if (Color < 0) return GetSysColor(Color & 0xFF);
  return Color;
}

namespace {

// The first named colour that Match accepts.
template <typename Match>
const TColorName* FindColorName(Match match) {
  for (const auto& n : ColorNameTable())
    if (match(n)) return &n;
  for (const auto& n : kMoreColorNames)
    if (match(n)) return &n;
  return nullptr;
}

}  // namespace

bool ColorToIdent(TColor Color, std::string& Ident) {
  const TColorName* n = FindColorName([&](const TColorName& c) { return c.Color == Color; });
  if (n == nullptr) return false;
  Ident = n->Name;
  return true;
}

bool IdentToColor(const std::string& Ident, TColor& Color) {
  const TColorName* n =
      FindColorName([&](const TColorName& c) { return SameTextAscii(Ident, c.Name); });
  if (n == nullptr) return false;
  Color = n->Color;
  return true;
}

std::string ColorToString(TColor Color) {
  std::string s;
  if (ColorToIdent(Color, s)) return s;
  char buf[16];
  std::snprintf(buf, sizeof buf, "$%08X", static_cast<unsigned>(Color));
  return buf;
}

TColor StringToColor(const std::string& S) {
  TColor c;
  if (IdentToColor(S, c)) return c;
  std::string t = S;
  while (!t.empty() && t.front() == ' ') t.erase(t.begin());
  while (!t.empty() && t.back() == ' ') t.pop_back();
  bool neg = false;
  size_t i = 0;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) {
    neg = t[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < t.size() && t[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= t.size()) throw EConvertError("'" + S + "' is not a valid integer value");
  uint64_t v = 0;
  for (; i < t.size(); ++i) {
    int d;
    char ch = t[i];
    if (ch >= '0' && ch <= '9')
      d = ch - '0';
    else if (base == 16 && ch >= 'a' && ch <= 'f')
      d = ch - 'a' + 10;
    else if (base == 16 && ch >= 'A' && ch <= 'F')
      d = ch - 'A' + 10;
    else
      throw EConvertError("'" + S + "' is not a valid integer value");
    v = v * base + d;
    if (v > 0xFFFFFFFFull) throw EConvertError("'" + S + "' is not a valid integer value");
  }
  if (base == 10 && v > (neg ? 0x80000000ull : 0x7FFFFFFFull))
    throw EConvertError("'" + S + "' is not a valid integer value");
  uint32_t u = static_cast<uint32_t>(v);
  if (neg) u = 0u - u;
  return static_cast<TColor>(u);
}

const TPalette& DefaultPalette8() {
  static const TPalette p = MakeDefault8();
  return p;
}

const TPalette& DefaultPalette4() {
  static const TPalette p = [] {
    const TColor c[16] = {clBlack, clMaroon,  clGreen,  clOlive, clNavy, clPurple,
                          clTeal,  clGray,    clSilver, clRed,   clLime, clYellow,
                          clBlue,  clFuchsia, clAqua,   clWhite};
    TPalette r;
    for (TColor x : c) r.push_back(RGBQuad(x));
    return r;
  }();
  return p;
}

const TPalette& DefaultPalette1() {
  static const TPalette p = {RGBQuad(clBlack), RGBQuad(clWhite)};
  return p;
}

int NearestColorIndex(const TRGBQuad* Palette, int Count, TColor Color) {
  if (!Palette || Count <= 0) return -1;
  Color = ColorToRGB(Color);
  int r = GetRValue(Color), g = GetGValue(Color), b = GetBValue(Color);
  int best = 0;
  int bestd = 0x7FFFFFFF;
  for (int i = 0; i < Count; ++i) {
    int dr = Palette[i].rgbRed - r, dg = Palette[i].rgbGreen - g, db = Palette[i].rgbBlue - b;
    int d = dr * dr + dg * dg + db * db;
    if (d < bestd) {
      bestd = d;
      best = i;
      if (d == 0) break;
    }
  }
  return best;
}

}  // namespace classlib
