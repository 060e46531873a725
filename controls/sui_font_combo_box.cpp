#include "controls/sui_font_combo_box.h"

#include <algorithm>
#include <cctype>

#include "platform/classlib/font_families.h"
#include "platform/classlib/messages.h"
#include "platform/classlib/string_list.h"

using namespace classlib;

namespace controls {

namespace {

bool SameTextNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

bool Passes(const TFontFamily& f, TFontListOptions o) {
  if ((o & foAnsiOnly) && f.CharSet != ANSI_CHARSET) return false;
  if ((o & foTrueTypeOnly) && f.FontType != TRUETYPE_FONTTYPE) return false;
  if ((o & foFixedPitchOnly) && !f.FixedPitch) return false;
  if ((o & foOEMFontsOnly) && f.CharSet != OEM_CHARSET) return false;
  if ((o & foNoOEMFonts) && f.CharSet == OEM_CHARSET) return false;
  if ((o & foNoSymbolFonts) && f.CharSet == SYMBOL_CHARSET) return false;
  if ((o & foScalableOnly) && f.FontType == RASTER_FONTTYPE) return false;
  return true;
}

}  // namespace

TsuiFontComboBox::TsuiFontComboBox(TComponent* AOwner) : TsuiCustomComboBox(AOwner) {
  // Both glyphs are part of the program: a missing one raises.
  true_type_glyph_.LoadFromResourceName("FONTCOMBO_TRUETYPE_FNT");
  device_glyph_.LoadFromResourceName("FONTCOMBO_DEVICE_FNT");
  TComboBox::SetStyle(csOwnerDrawFixed);
  // One line of the box's font, at least 9 and as high as the glyph less one.
  TBitmap scratch;
  scratch.Canvas()->Font()->Assign(Font());
  SetItemHeight(
      std::max({scratch.Canvas()->TextHeight("Ag") + 1, 9, true_type_glyph_.Height() - 1}));
  Reset();
}

void TsuiFontComboBox::DrawItem(TCanvas* Canvas, int Index, const TRect& R, bool ItemSelected) {
  Canvas->Brush()->SetStyle(bsSolid);
  Canvas->Brush()->SetColor(ItemSelected ? clHighlight : Color());
  Canvas->FillRect(R);
  if (Index < 0 || Index >= Items()->Count()) return;
  const int type = FontType(Index);
  TBitmap* glyph = (type & 0xFF) == TRUETYPE_FONTTYPE ? &true_type_glyph_
                   : (type & 0xFF) == DEVICE_FONTTYPE ? &device_glyph_
                                                      : nullptr;
  int glyph_w = 20;
  if (glyph != nullptr && !glyph->Empty()) {
    glyph->SetTransparent(true);
    Canvas->Draw(R.Left + 2, R.Top + (R.Height() - glyph->Height()) / 2, glyph);
    glyph_w = glyph->Width();
  }
  const std::string name = Items()->Strings(Index);
  Canvas->Font()->Assign(Font());
  if (use_fonts_ && (type & kNotSymbolFont)) Canvas->Font()->SetName(name);
  Canvas->Font()->SetColor(ItemSelected ? clHighlightText : Font()->Color());
  Canvas->Brush()->SetStyle(bsClear);
  Canvas->TextOut(R.Left + glyph_w + 6, R.Top + (R.Height() - Canvas->TextHeight(name)) / 2, name);
}

void TsuiFontComboBox::Reset() {
  const std::string keep = FontName();
  populating_ = true;
  // Families sorted by name, each once (printers have none of their own).
  std::vector<TFontFamily> families;
  for (auto& f : ScreenFontFamilies()) {
    if (!Passes(f, options_)) continue;
    if (std::any_of(families.begin(), families.end(),
                    [&](const TFontFamily& g) { return g.Name == f.Name; }))
      continue;
    families.push_back(std::move(f));
  }
  std::sort(families.begin(), families.end(),
            [](const TFontFamily& a, const TFontFamily& b) { return a.Name < b.Name; });
  types_.clear();
  Items()->BeginUpdate();
  Items()->Clear();
  for (const auto& f : families) {
    Items()->Add(f.Name);
    types_.push_back(f.FontType | (f.CharSet == SYMBOL_CHARSET ? 0 : kNotSymbolFont));
  }
  Items()->EndUpdate();
  SetFontName(keep);
  populating_ = false;
}

void TsuiFontComboBox::WndProc(TMessage& Message) {
  TsuiCustomComboBox::WndProc(Message);
  if (Message.Msg == WM_FONTCHANGE) Reset();
}

void TsuiFontComboBox::SetDevice(TFontDevice Value) {
  if (Value == device_) return;
  device_ = Value;
  Reset();
}

void TsuiFontComboBox::SetOptions(TFontListOptions Value) {
  if (Value == options_) return;
  options_ = Value;
  Reset();
}

int TsuiFontComboBox::FontType(int Index) const {
  if (Index < 0 || Index >= static_cast<int>(types_.size())) return 0;
  return types_[static_cast<size_t>(Index)];
}

void TsuiFontComboBox::SetFontName(const std::string& Value) {
  int found = -1;
  for (int i = 0; i < Items()->Count() && found < 0; ++i)
    if (SameTextNoCase(Items()->Strings(i), Value)) found = i;
  const std::string before = FontName();
  if (found >= 0)
    SetItemIndex(found);
  else if (Style() != csDropDown && Style() != csSimple)  // a list shows only its items
    SetItemIndex(-1);
  else
    SetText(Value);
  if (!populating_ && FontName() != before && OnChange) OnChange(this);
}

TsuiFontSizeComboBox::TsuiFontSizeComboBox(TComponent* AOwner) : TsuiCustomComboBox(AOwner) {}

void TsuiFontSizeComboBox::SetFontName(const std::string& Value) {
  font_name_ = Value;
  const std::string current = Text();
  Items()->BeginUpdate();
  Items()->Clear();
  if (!Value.empty()) {
    std::vector<int> sizes = BitmapFontSizes(Value);
    if (sizes.empty()) {
      // Outline fonts come in any size: offer the usual ones.
      sizes = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};
    } else {
      std::sort(sizes.begin(), sizes.end());
      sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
    }
    for (int s : sizes) Items()->Add(std::to_string(s));
  }
  Items()->EndUpdate();
  const int i = Items()->IndexOf(current);
  if (i >= 0) SetItemIndex(i);
  if (OnClick) OnClick(this);
}

}  // namespace controls
