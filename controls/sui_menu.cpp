#include "controls/sui_menu.h"

#include <algorithm>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/control.h"
#include "platform/classlib/drawing_helpers.h"
#include "platform/classlib/form.h"
#include "platform/classlib/image_list.h"
#include "platform/classlib/resources.h"

namespace controls {

using namespace classlib;

// ============================================================ look

void TsuiMenuLook::SetUIStyle(TsuiUIStyle Value) {
  ui_style_ = Value;
  if (Value == TsuiUIStyle::Custom) return;
  // The heights are written directly: the setters ignore writes under MacOS,
  // whose menus must still get their own heights from the table.
  menu_item_height_ = GetThemeInt(Value, 20);
  separator_height_ = GetThemeInt(Value, 21);
  bar_color_ = GetThemeColor(Value, 17);
  bar_width_ = GetThemeInt(Value, 22);
  color_ = GetThemeColor(Value, 15);
  separator_color_ = GetThemeColor(Value, 18);
  selected_border_color_ = GetThemeColor(Value, 11);
  selected_color_ = GetThemeColor(Value, 12);
  selected_font_color_ = GetThemeColor(Value, 13);
  font_color_ = GetThemeColor(Value, 16);
  border_color_ = GetThemeColor(Value, 2);
}

void TsuiMenuLook::SetMenuItemHeight(int Value) {
  if (ui_style_ != TsuiUIStyle::MacOS) menu_item_height_ = Value;
}

void TsuiMenuLook::SetSeparatorHeight(int Value) {
  if (ui_style_ != TsuiUIStyle::MacOS) separator_height_ = Value;
}

void TsuiMenuLook::HookMenuItemDrawing(TMenuItem* Item) {
  if (Item == nullptr) return;
  Item->OnMeasureItem = [this](TObject* Sender, TCanvas* ACanvas, int& Width, int& Height) {
    MeasureItem(static_cast<TMenuItem*>(Sender), ACanvas, Height, Width);
  };
  Item->OnDrawItem = [this](TObject* Sender, TCanvas* ACanvas, const TRect& ARect, bool Selected) {
    DrawItem(static_cast<TMenuItem*>(Sender), ACanvas, ARect, Selected);
  };
  for (int i = 0; i < Item->Count(); ++i) HookMenuItemDrawing(Item->Items(i));
}

void TsuiMenuLook::MeasureItem(TMenuItem* Item, TCanvas* ACanvas, int& Height, int& Width) {
  if (Item->IsLine()) {
    Height = separator_height_;
  } else {
    Height = menu_item_height_;
  }
  Width = ACanvas->TextWidth(Item->Caption()) +
          ACanvas->TextWidth(ShortCutToText(Item->ShortCut())) + bar_width_ + 40;
}

namespace {

// Stretches the top Rows rows of a style bitmap over R; nothing when the
// bitmap is missing.
void StretchBand(TCanvas* Canvas, const std::string& ResName, int Rows, const TRect& R) {
  TResourceData data;
  if (!FindResource(ResName, data)) return;
  TBitmap band;
  try {
    band.LoadFromResourceName(ResName);
  } catch (const Exception&) {
    return;
  }
  if (band.Empty()) return;
  StretchBlt(Canvas, R.Left, R.Top, R.Width(), R.Height(), band.Canvas(), 0, 0, band.Width(),
             std::min(Rows, band.Height()), SRCCOPY);
}

void Fill(TCanvas* Canvas, const TRect& R, TColor Color) {
  if (R.Width() <= 0 || R.Height() <= 0) return;
  Canvas->Brush()->SetStyle(bsSolid);
  Canvas->Brush()->SetColor(Color);
  Canvas->FillRect(R);
}

void Frame(TCanvas* Canvas, const TRect& R, TColor Color) {
  Canvas->Brush()->SetStyle(bsSolid);
  Canvas->Brush()->SetColor(Color);
  Canvas->FrameRect(R);
}

}  // namespace

void TsuiMenuLook::DrawItem(TMenuItem* Item, TCanvas* ACanvas, const TRect& ARect, bool Selected) {
  const int L = ARect.Left, T = ARect.Top, R = ARect.Right, B = ARect.Bottom;
  const bool mac = ui_style_ == TsuiUIStyle::MacOS;
  auto plain_background = [&] {
    if (bar_width_ > 0) Fill(ACanvas, Rect(L, T, L + bar_width_, B), bar_color_);
    Fill(ACanvas, Rect(L + bar_width_, T, R, B), color_);
  };

  if (Item->IsLine()) {
    if (mac) {
      StretchBand(ACanvas, "MACOS_MENU_BAR", 12, ARect);
      return;
    }
    plain_background();
    ACanvas->Pen()->SetStyle(psSolid);
    ACanvas->Pen()->SetWidth(1);
    ACanvas->Pen()->SetColor(separator_color_);
    ACanvas->MoveTo(L + bar_width_ + 4, T + 2);
    ACanvas->LineTo(R - 2, T + 2);
    return;
  }

  if (Selected && Item->Enabled()) {
    if (mac) {
      StretchBand(ACanvas, "MACOS_MENU_SELECT", 20, ARect);
    } else {
      Fill(ACanvas, ARect, selected_color_);
      Frame(ACanvas, ARect, selected_border_color_);
    }
  } else if (mac) {
    StretchBand(ACanvas, "MACOS_MENU_BAR", 20, ARect);
  } else {
    plain_background();
  }

  TFont* font = ACanvas->Font();
  if (use_system_font_) {
    AssignMenuFont(font);
  } else {
    font->SetName(font_name_);
    font->SetSize(font_size_);
    font->SetCharset(font_charset_);
  }
  ACanvas->Brush()->SetStyle(bsClear);
  font->SetColor(!Item->Enabled() ? static_cast<TColor>(0x00808080)
                 : Selected       ? selected_font_color_
                                  : font_color_);
  font->SetStyle(Item->Default() ? (font->Style() | fsBold)
                                 : (font->Style() & ~static_cast<TFontStyles>(fsBold)));

  TRect text = Rect(L + bar_width_ + 4, T + 4, R, B);
  ACanvas->DrawText(Item->Caption(), text, DT_SINGLELINE);
  const std::string shortcut = ShortCutToText(Item->ShortCut());
  if (!shortcut.empty()) ACanvas->TextOut(R - ACanvas->TextWidth(shortcut) - 16, T + 4, shortcut);

  TImageList* images = LookMenu()->Images();
  const int index = Item->ImageIndex();
  const bool has_image = index != -1 && images != nullptr && index >= 0 && index < images->Count();
  if (Item->Checked()) {
    if (has_image) {
      Frame(ACanvas, Rect(L + 2, T + 1, L + 21, T + 20), clBlack);
      Fill(ACanvas, Rect(L + 3, T + 2, L + 20, T + 19), selected_color_);
    } else if (TImageList* ticks = TickImages(); ticks != nullptr && ticks->Count() > 0) {
      ticks->Draw(ACanvas, L + 4, T + 3, 0, Item->Enabled());
    }
  }
  if (has_image) images->Draw(ACanvas, L + 4, T + 3, index, Item->Enabled());
}

void TsuiMenuLook::DrawFlatBorder(TCanvas* ACanvas, const TRect& Window) const {
  const int WL = Window.Left, WT = Window.Top, WR = Window.Right, WB = Window.Bottom;
  Frame(ACanvas, Rect(WL, WT + 1, WR - 1, WB - 1), border_color_);
  Frame(ACanvas, Rect(WL + 1, WT + 2, WR - 2, WB - 2), clWhite);
  ACanvas->Pen()->SetStyle(psSolid);
  ACanvas->Pen()->SetWidth(1);
  ACanvas->Pen()->SetColor(GetThemeColor(ui_style_, 3));
  ACanvas->MoveTo(WL, WB - 1);
  ACanvas->LineTo(WR - 1, WB - 1);
  ACanvas->LineTo(WR - 1, WT);
  ACanvas->LineTo(WR, WT);
  ACanvas->LineTo(WL, WT);
}

std::unique_ptr<TImageList> MakeMenuTickImages() {
  auto list = std::make_unique<TImageList>(nullptr);
  TResourceData data;
  if (!FindResource("MENU_CHECKED", data)) return list;
  try {
    TBitmap tick;
    tick.LoadFromResourceName("MENU_CHECKED");
    list->SetSize(tick.Width(), tick.Height());
    list->AddMasked(&tick, clWhite);
  } catch (const Exception&) {
    list->Clear();
  }
  return list;
}

// ============================================================ popup menu

namespace {

// The tick list every popup menu shares, made on first use.
TImageList* SharedTicks() {
  static std::unique_ptr<TImageList> ticks = MakeMenuTickImages();
  return ticks.get();
}

}  // namespace

TsuiPopupMenu::TsuiPopupMenu(TComponent* AOwner) : TPopupMenu(AOwner) {
  TMenu::SetOwnerDraw(true);
  SetUIStyle(FindFormUIStyle(dynamic_cast<TWinControl*>(AOwner)));
}

TImageList* TsuiPopupMenu::TickImages() { return SharedTicks(); }

void TsuiPopupMenu::Loaded() {
  TPopupMenu::Loaded();
  for (int i = 0; i < Items()->Count(); ++i) HookMenuItemDrawing(Items()->Items(i));
}

// ============================================================ main menu

TsuiMainMenu::TsuiMainMenu(TComponent* AOwner) : TMainMenu(AOwner), ticks_(MakeMenuTickImages()) {
  TMenu::SetOwnerDraw(true);
  TMenu::SetImages(ticks_.get());
  form_owner_ = dynamic_cast<TWinControl*>(AOwner);
  SetUIStyle(FindFormUIStyle(form_owner_));
  if (auto* form = dynamic_cast<TForm*>(AOwner)) {
    form->SetMenu(nullptr);
    if (IsuiFormFrame* frame = FindFormFrame(form)) frame->SetFrameMenu(this);
  }
}

TsuiMainMenu::~TsuiMainMenu() {
  form_owner_ = nullptr;
  // The base class must not keep pointing at the private list while it goes.
  TMenu::SetImages(nullptr);
}

IsuiFormFrame* TsuiMainMenu::Frame() const { return FindFormFrame(form_owner_); }

TImageList* TsuiMainMenu::Images() const {
  TImageList* images = TMenu::Images();
  return images == ticks_.get() ? nullptr : images;
}

void TsuiMainMenu::SetImages(TImageList* Value) {
  TMenu::SetImages(Value != nullptr ? Value : ticks_.get());
}

void TsuiMainMenu::SetUseSystemFont(bool Value) {
  TsuiMenuLook::SetUseSystemFont(Value);
  if (IsuiFormFrame* frame = Frame()) frame->RefreshMenuBarFont();
}

void TsuiMainMenu::MenuChanged(TMenuItem* Item) {
  TMainMenu::MenuChanged(Item);
  if (ticks_ == nullptr) return;  // still constructing
  if (IsuiFormFrame* frame = Frame()) frame->RefreshMenuBar();
}

void TsuiMainMenu::Loaded() {
  TMainMenu::Loaded();
  for (int i = 0; i < Items()->Count(); ++i) HookMenuItemDrawing(Items()->Items(i));
  if (IsuiFormFrame* frame = Frame()) frame->RebuildMenuBar();
}

}  // namespace controls
