#include "controls/sui_color_box.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/classlib/color_table.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/messages.h"
#include "platform/classlib/string_list.h"

using namespace classlib;

namespace controls {

namespace {

// What Selected reads when no item is chosen.
constexpr TColor kNoSelection = static_cast<TColor>(0xFF000000u);

}  // namespace

std::string PrettyColorName(const std::string& Ident) {
  if (Ident.size() < 2 || Ident[0] != 'c' || Ident[1] != 'l') return Ident;
  std::string out;
  for (size_t i = 2; i < Ident.size(); ++i) {
    if (i > 2 && std::isupper(static_cast<unsigned char>(Ident[i]))) out += ' ';
    out += Ident[i];
  }
  return out;
}

TsuiCustomColorBox::TsuiCustomColorBox(TComponent* AOwner) : TsuiCustomComboBox(AOwner) {
  TComboBox::SetStyle(csOwnerDrawFixed);
  PopulateList();
}

void TsuiCustomColorBox::PopulateList() {
  if (!HandleAllocated()) return;
  // The custom entry keeps its colour across a rebuild.
  TColor custom = !colors_.empty() && (style_ & cbCustomColor) ? colors_.front() : clBlack;
  std::vector<std::string> names;
  colors_.clear();
  for (const TColorName& e : ColorNameTable()) {
    names.push_back(style_ & cbPrettyNames ? PrettyColorName(e.Name) : std::string(e.Name));
    colors_.push_back(e.Color);
  }
  auto erase = [&](size_t from, size_t to) {
    from = std::min(from, names.size());
    to = std::min(to, names.size());
    names.erase(names.begin() + static_cast<ptrdiff_t>(from),
                names.begin() + static_cast<ptrdiff_t>(to));
    colors_.erase(colors_.begin() + static_cast<ptrdiff_t>(from),
                  colors_.begin() + static_cast<ptrdiff_t>(to));
  };
  auto eraseColor = [&](TColor c) {
    auto it = std::find(colors_.begin(), colors_.end(), c);
    if (it != colors_.end()) {
      size_t i = static_cast<size_t>(it - colors_.begin());
      erase(i, i + 1);
    }
  };
  if (!(style_ & cbIncludeNone)) eraseColor(clNone);
  if (!(style_ & cbIncludeDefault)) eraseColor(clDefault);
  if (!(style_ & cbSystemColors)) erase(20, names.size());
  if (!(style_ & cbExtendedColors)) erase(16, 20);
  if (!(style_ & cbStandardColors)) erase(0, 16);
  if (style_ & cbCustomColor) {
    names.insert(names.begin(), "Custom...");
    colors_.insert(colors_.begin(), custom);
  }
  TStrings* items = Items();
  items->BeginUpdate();
  items->Clear();
  for (const auto& n : names) items->Add(n);
  items->EndUpdate();
  SetSelected(selected_);
}

void TsuiCustomColorBox::SetStyle(TColorBoxStyle Value) {
  if (Value == style_) return;
  style_ = Value;
  SetEnabled((Value & (cbStandardColors | cbExtendedColors | cbSystemColors | cbCustomColor)) != 0);
  PopulateList();
  if (HandleAllocated() && ItemIndex() < 0 && !colors_.empty()) SetItemIndex(0);
}

TColor TsuiCustomColorBox::Colors(int Index) const {
  if (Index < 0 || Index >= ColorCount()) return kNoSelection;
  return colors_[static_cast<size_t>(Index)];
}

TColor TsuiCustomColorBox::Selected() const {
  if (!HandleAllocated()) return selected_;
  int i = ItemIndex();
  return i < 0 ? kNoSelection : Colors(i);
}

void TsuiCustomColorBox::SetSelected(TColor Value) {
  if (HandleAllocated()) {
    auto it = std::find(colors_.begin(), colors_.end(), Value);
    if (it != colors_.end()) {
      SetItemIndex(static_cast<int>(it - colors_.begin()));
    } else if ((style_ & cbCustomColor) && Value != kNoSelection && !colors_.empty()) {
      colors_.front() = Value;
      SetItemIndex(0);
      Invalidate();
    } else {
      SetItemIndex(-1);
    }
  }
  selected_ = Value;
}

void TsuiCustomColorBox::SetDefaultColorColor(TColor Value) {
  default_color_color_ = Value;
  Invalidate();
}

void TsuiCustomColorBox::SetNoneColorColor(TColor Value) {
  none_color_color_ = Value;
  Invalidate();
}

void TsuiCustomColorBox::DrawItem(TCanvas* Canvas, int Index, const TRect& R, bool ItemSelected) {
  if (Canvas == nullptr || Index < 0 || Index >= ColorCount()) return;
  Canvas->Brush()->SetStyle(bsSolid);
  Canvas->Brush()->SetColor(ItemSelected ? clHighlight : Color());
  Canvas->FillRect(R);
  TColor c = Colors(Index);
  if (c == clDefault) c = default_color_color_;
  if (c == clNone) c = none_color_color_;
  const int h = R.Bottom - R.Top;
  TRect swatch = Rect(R.Left + 1, R.Top + 1, R.Left + h - 1, R.Bottom - 1);
  TColor rgb = ColorToRGB(c);
  Canvas->Brush()->SetColor(rgb);
  Canvas->FillRect(swatch);
  // A light swatch gets a black frame; a dark one stands out by the selection.
  TColor frame = (GetRValue(rgb) > 192 || GetGValue(rgb) > 192 || GetBValue(rgb) > 192)
                     ? clBlack
                     : (ItemSelected ? clWhite : rgb);
  Canvas->Brush()->SetColor(frame);
  Canvas->FrameRect(swatch);
  Canvas->Brush()->SetStyle(bsClear);
  Canvas->Font()->SetColor(ItemSelected ? clHighlightText : Font()->Color());
  const std::string text = Items()->Strings(Index);
  const int ty = R.Top + (h - Canvas->TextHeight(text)) / 2;
  Canvas->TextOut(swatch.Right + 5, ty, text);
}

void TsuiCustomColorBox::PickCustomColor() {
  if (!(style_ & cbCustomColor) || ItemIndex() != 0 || colors_.empty()) return;
  TColorDialog dialog(nullptr);
  dialog.Color = colors_.front();
  // The entry's colour is also the dialog's first custom colour.
  char line[32];
  std::snprintf(line, sizeof line, "ColorA=%.8x", static_cast<unsigned>(colors_.front()));
  dialog.CustomColors = {line};
  if (dialog.Execute()) {
    colors_.front() = dialog.Color;
    just_cancelled_ = false;
    Invalidate();
  } else {
    just_cancelled_ = true;
  }
}

void TsuiCustomColorBox::CloseUp() {
  TsuiCustomComboBox::CloseUp();
  PickCustomColor();
}

void TsuiCustomColorBox::KeyDown(uint16_t& Key, TShiftState Shift) {
  just_cancelled_ = false;
  TsuiCustomComboBox::KeyDown(Key, Shift);
  if (Key == VK_RETURN) PickCustomColor();
}

void TsuiCustomColorBox::Change() {
  if (just_cancelled_ && ItemIndex() == 0) {
    just_cancelled_ = false;
    return;
  }
  TsuiCustomComboBox::Change();
}

}  // namespace controls
