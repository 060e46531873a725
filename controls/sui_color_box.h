// The skinned colour box: a drop-down list of named colours, each shown as a
// swatch beside its name, with optional "none", "default" and custom entries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "controls/sui_themes.h"
#include "platform/classlib/canvas.h"
#include "controls/sui_combo_box.h"
#include "platform/classlib/std_controls.h"

namespace controls {

using TColorBoxStyle = uint8_t;
inline constexpr TColorBoxStyle cbStandardColors = 1;
inline constexpr TColorBoxStyle cbExtendedColors = 2;
inline constexpr TColorBoxStyle cbSystemColors = 4;
inline constexpr TColorBoxStyle cbIncludeNone = 8;
inline constexpr TColorBoxStyle cbIncludeDefault = 16;
inline constexpr TColorBoxStyle cbCustomColor = 32;
inline constexpr TColorBoxStyle cbPrettyNames = 64;

// "clBtnFace" -> "Btn Face": the "cl" prefix goes and every further capital
// letter gets a space before it. Names without the prefix stay as they are.
std::string PrettyColorName(const std::string& Ident);

class TsuiCustomColorBox : public TsuiCustomComboBox {
 public:
  explicit TsuiCustomColorBox(classlib::TComponent* AOwner);
  std::string ClassName() const override { return "TsuiCustomColorBox"; }

  TColorBoxStyle Style() const { return style_; }
  void SetStyle(TColorBoxStyle Value);
  // The chosen colour: the remembered value while there is no window,
  // 0xFF000000 when nothing is selected.
  classlib::TColor Selected() const;
  void SetSelected(classlib::TColor Value);
  classlib::TColor DefaultColorColor() const { return default_color_color_; }
  void SetDefaultColorColor(classlib::TColor Value);
  classlib::TColor NoneColorColor() const { return none_color_color_; }
  void SetNoneColorColor(classlib::TColor Value);

  // The colour each item stands for.
  classlib::TColor Colors(int Index) const;
  int ColorCount() const { return static_cast<int>(colors_.size()); }

  // Paints item Index into Rect: swatch at the left, name beside it.
  void DrawItem(classlib::TCanvas* Canvas, int Index, const classlib::TRect& Rect,
                bool ItemSelected) override;

 protected:
  void PopulateList();
  // Closing the list on the custom entry, or Enter there, asks the colour
  // dialog for the custom colour.
  void CloseUp() override;
  void KeyDown(uint16_t& Key, classlib::TShiftState Shift) override;
  // Swallows the change that follows a cancelled dialog on the custom entry.
  void Change() override;

 private:
  TColorBoxStyle style_ = cbStandardColors | cbExtendedColors | cbSystemColors;
  classlib::TColor selected_ = classlib::clBlack;
  classlib::TColor default_color_color_ = classlib::clBlack;
  classlib::TColor none_color_color_ = classlib::clBlack;
  std::vector<classlib::TColor> colors_;
  bool just_cancelled_ = false;

  void PickCustomColor();
};

class TsuiColorBox : public TsuiCustomColorBox {
 public:
  explicit TsuiColorBox(classlib::TComponent* AOwner) : TsuiCustomColorBox(AOwner) {}
  std::string ClassName() const override { return "TsuiColorBox"; }
};

}  // namespace controls
