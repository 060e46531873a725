// Font pickers: a combo box of the installed font families, filtered by
// kind, and a combo box of the sizes a family comes in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "controls/sui_combo_box.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/std_controls.h"

namespace controls {

enum TFontDevice : uint8_t { fdScreen, fdPrinter, fdBoth };

using TFontListOptions = uint8_t;
inline constexpr TFontListOptions foAnsiOnly = 1;
inline constexpr TFontListOptions foTrueTypeOnly = 2;
inline constexpr TFontListOptions foFixedPitchOnly = 4;
inline constexpr TFontListOptions foNoOEMFonts = 8;
inline constexpr TFontListOptions foOEMFontsOnly = 16;
inline constexpr TFontListOptions foScalableOnly = 32;
inline constexpr TFontListOptions foNoSymbolFonts = 64;

// Added to an item's font type when the font is not a symbol font.
inline constexpr int kNotSymbolFont = 0x100;

class TsuiFontComboBox : public TsuiCustomComboBox {
 public:
  explicit TsuiFontComboBox(classlib::TComponent* AOwner);
  std::string ClassName() const override { return "TsuiFontComboBox"; }

  std::string FontName() const { return Text(); }
  void SetFontName(const std::string& Value);
  TFontDevice Device() const { return device_; }
  void SetDevice(TFontDevice Value);
  TFontListOptions Options() const { return options_; }
  void SetOptions(TFontListOptions Value);
  bool UseFonts() const { return use_fonts_; }
  void SetUseFonts(bool Value) { use_fonts_ = Value; }
  // The font type of item Index, plus kNotSymbolFont for non-symbol fonts.
  int FontType(int Index) const;

  // Rebuilds the list (also after the installed fonts changed).
  void Reset();
  // WM_FONTCHANGE (the installed fonts changed) rebuilds the list.
  void WndProc(classlib::TMessage& Message) override;
  // Paints item Index: the TrueType or device glyph (20 pixels kept free
  // for other fonts), then the name, in its own font with UseFonts.
  void DrawItem(classlib::TCanvas* Canvas, int Index, const classlib::TRect& Rect,
                bool ItemSelected) override;

 private:
  TFontDevice device_ = fdScreen;
  TFontListOptions options_ = 0;
  bool use_fonts_ = false;
  bool populating_ = false;
  std::vector<int> types_;
  classlib::TBitmap true_type_glyph_;
  classlib::TBitmap device_glyph_;
};

class TsuiFontSizeComboBox : public TsuiCustomComboBox {
 public:
  explicit TsuiFontSizeComboBox(classlib::TComponent* AOwner);
  std::string ClassName() const override { return "TsuiFontSizeComboBox"; }

  std::string FontName() const { return font_name_; }
  // Lists the sizes of the family and reselects the current size.
  void SetFontName(const std::string& Value);

 private:
  std::string font_name_;
};

}  // namespace controls
