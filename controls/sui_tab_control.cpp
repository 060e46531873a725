#include "controls/sui_tab_control.h"

#include <algorithm>

#include "controls/sui_public.h"
#include "controls/sui_skin_bitmap.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/messages.h"

namespace controls {

using namespace classlib;

// ---------------------------------------------------------------------------
// TsuiTabControlTopPanel

TsuiTabControlTopPanel::TsuiTabControlTopPanel(TComponent* AOwner, TsuiTab* Tab)
    : TCustomControl(AOwner), tab_(Tab) {
  std::fill(std::begin(widths_), std::end(widths_), -1);
  std::fill(std::begin(visible_), std::end(visible_), true);
  tabs_.Add("Tab1");
  tabs_.OnChange = [this](TObject*) { Invalidate(); };
}

void TsuiTabControlTopPanel::SetTabIndex(int Value) {
  if (tabs_.Count() == 0) {
    tab_index_ = -1;
  } else if (Value >= -1 && Value < tabs_.Count()) {
    tab_index_ = Value;
    Invalidate();
    if (tab_) tab_->TabActivated(Value, false);
    return;
  }
  Invalidate();
}

void TsuiTabControlTopPanel::SetLeftMargin(int Value) {
  left_margin_ = Value;
  Invalidate();
}

void TsuiTabControlTopPanel::SetUIStyle(TsuiUIStyle Value) {
  ui_style_ = Value;
  if (Value == TsuiUIStyle::Custom) return;
  active_name_ = GetThemeResName(Value, 70);
  inactive_name_ = GetThemeResName(Value, 71);
  line_name_ = GetThemeResName(Value, 72);
  TBitmap active;
  active_height_ = LoadSkinBitmap(&active, active_name_) ? active.Height() : 0;
  const int height = GetThemeInt(Value, 73);
  if (height > 0) SetHeight(height);
  Invalidate();
}

bool TsuiTabControlTopPanel::TabVisible(int Index) const {
  return Index < 0 || Index >= kMaxTabs || visible_[Index];
}

void TsuiTabControlTopPanel::SetTabVisible(int Index, bool Value) {
  if (Index < 0 || Index >= kMaxTabs) return;
  visible_[Index] = Value;
  Invalidate();
}

int TsuiTabControlTopPanel::TabWidth(int Index) {
  if (!TabVisible(Index)) return 0;
  const std::string caption = tabs_.Get(Index);
  Canvas()->Font()->Assign(tab_ ? tab_->Font() : Font());
  const int w = caption.empty() ? 80 : Canvas()->TextWidth(caption) + 20;
  return std::max(w, 15);
}

int TsuiTabControlTopPanel::TabAt(int X, int Y) const {
  if (Y <= 0 || Y >= active_height_) return -1;
  int x = left_margin_;
  for (int i = 0; i < kMaxTabs && widths_[i] != -1; ++i) {
    if (X > x && X < x + widths_[i]) return i;
    x += widths_[i];
  }
  return -1;
}

void TsuiTabControlTopPanel::Paint() {
  TCanvas* c = Canvas();
  if (tab_) PaintParentBackground(c, tab_);
  TBitmap active, inactive, line;
  const bool have_active = LoadSkinBitmap(&active, active_name_);
  const bool have_inactive = LoadSkinBitmap(&inactive, inactive_name_);
  if (LoadSkinBitmap(&line, line_name_)) {
    c->StretchDraw(TRect{1, active_height_, Width() - 1, active_height_ + line.Height()}, &line);
    c->Pen()->SetColor(tab_ ? tab_->BorderColor() : clBlack);
    c->MoveTo(0, active_height_);
    c->LineTo(0, active_height_ + line.Height());
    c->MoveTo(Width() - 1, active_height_);
    c->LineTo(Width() - 1, active_height_ + line.Height());
  }
  std::fill(std::begin(widths_), std::end(widths_), -1);
  int x = left_margin_;
  for (int i = 0; i < tabs_.Count(); ++i) {
    const int w = TabWidth(i);
    // Only the first tabs fit the hit-test table.
    if (i < kMaxTabs) widths_[i] = w;
    if (w == 0) continue;
    const bool is_active = i == tab_index_;
    const TRect r =
        is_active ? TRect{x, 1, x + w, active_height_ + 1} : TRect{x, 0, x + w, active_height_};
    TBitmap* image =
        is_active ? (have_active ? &active : nullptr) : (have_inactive ? &inactive : nullptr);
    if (image) DrawThreePartBitmap(image, c, r, true);
    c->Brush()->SetStyle(bsClear);
    TRect text = r;
    c->DrawText(tabs_.Get(i), text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    x += w;
  }
}

void TsuiTabControlTopPanel::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  Invalidate();
  const int hit = TabAt(X, Y);
  if (hit >= 0 && hit < tabs_.Count()) {
    tab_index_ = hit;
    if (tab_) tab_->TabActivated(hit, true);
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

// ---------------------------------------------------------------------------
// TsuiTab

TsuiTab::TsuiTab(TComponent* AOwner, bool Pages) : TPanel(AOwner) {
  SetBevelOuter(bvNone);
  SetCaption(" ");
  strip_ = Pages ? new TsuiPageControlTopPanel(this, this) : new TsuiTabControlTopPanel(this, this);
  strip_->SetParent(this);
  strip_->SetAlign(TAlign::alTop);
  strip_->SetHeight(21);
  SetHeight(80);
  SetUIStyle(FindFormUIStyle(dynamic_cast<TWinControl*>(AOwner)));
}

void TsuiTab::SetUIStyle(TsuiUIStyle Value) {
  ui_style_ = Value;
  if (Value != TsuiUIStyle::Custom) {
    strip_->SetColor(GetThemeColor(Value, 9));
    SetBorderColor(GetThemeColor(Value, 8));
    strip_->SetUIStyle(Value);
    SetColor(Value == TsuiUIStyle::WinXP ? clWhite : GetThemeColor(Value, 9));
  }
  ApplyUIStyleToChildren(this, Value);
  Invalidate();
}

void TsuiTab::SetBorderColor(TColor Value) {
  border_color_ = Value;
  Invalidate();
  strip_->Invalidate();
}

void TsuiTab::Paint() {
  TCanvas* c = Canvas();
  const int top = strip_->Height();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(TRect{0, top, Width(), Height()});
  c->Pen()->SetColor(border_color_);
  c->MoveTo(0, top);
  c->LineTo(0, Height() - 1);
  c->LineTo(Width() - 1, Height() - 1);
  c->LineTo(Width() - 1, top - 1);
}

void TsuiTab::CMCursorChanged(TMessage& Message) {
  TPanel::CMCursorChanged(Message);
  static_cast<TControl*>(strip_)->SetCursor(Cursor());
}

void TsuiTabControl::TabActivated(int Index, bool) {
  if (!IsLoading() && OnTabActive) OnTabActive(this, Index);
}

// ---------------------------------------------------------------------------
// TsuiPageControl

TsuiPageControl::~TsuiPageControl() {
  for (TsuiTabSheet* p : pages_) p->page_control_ = nullptr;
}

TsuiTabSheet* TsuiPageControl::Pages(int Index) const {
  if (Index < 0 || Index >= PageCount())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return pages_[Index];
}

void TsuiPageControl::Renumber() {
  for (int i = 0; i < PageCount(); ++i) pages_[i]->page_index_ = i;
}

void TsuiPageControl::RebuildTabs() {
  TStringList* tabs = strip_->Tabs();
  auto saved = tabs->OnChange;
  tabs->OnChange = nullptr;
  tabs->Clear();
  for (int i = 0; i < PageCount(); ++i) {
    tabs->Add(pages_[i]->Caption());
    strip_->SetTabVisible(i, pages_[i]->tab_visible_);
  }
  tabs->OnChange = saved;
  strip_->Invalidate();
}

void TsuiPageControl::AddPage(TsuiTabSheet* Page) {
  Page->page_control_ = this;
  Page->SetColor(Color());
  Page->border_color_ = border_color_;
  pages_.push_back(Page);
  Renumber();
  RebuildTabs();
  SetActivePage(Page);
}

void TsuiPageControl::RemovePage(TsuiTabSheet* Page) {
  auto it = std::find(pages_.begin(), pages_.end(), Page);
  if (it == pages_.end()) return;
  const int index = static_cast<int>(it - pages_.begin());
  pages_.erase(it);
  Page->page_control_ = nullptr;
  Page->page_index_ = -1;
  Renumber();
  RebuildTabs();
  if (active_ == Page) active_ = nullptr;
  SetActivePage(index - 1 >= 0 && index - 1 < PageCount() ? pages_[index - 1] : nullptr);
}

void TsuiPageControl::MovePage(TsuiTabSheet* Page, int NewIndex) {
  if (NewIndex < 0 || NewIndex >= PageCount()) return;
  auto it = std::find(pages_.begin(), pages_.end(), Page);
  if (it == pages_.end()) return;
  pages_.erase(it);
  pages_.insert(pages_.begin() + NewIndex, Page);
  Renumber();
  RebuildTabs();
  SetActivePage(Page);
}

void TsuiPageControl::SetActivePage(TsuiTabSheet* Page) {
  if (Page && Page->page_control_ != this) return;
  active_ = Page;
  if (!Page) {
    strip_->SetTabIndex(-1);
    return;
  }
  for (TsuiTabSheet* p : pages_)
    if (p != Page) p->SetVisible(false);
  // Tell the strip without coming back here.
  TsuiTabSheet* keep = Page;
  strip_->SetTabIndex(Page->page_index_);
  active_ = keep;
  Page->SetVisible(true);
  Page->BringToFront();
  if (Page->OnShow) Page->OnShow(Page);
}

void TsuiPageControl::TabActivated(int Index, bool Clicked) {
  if (!Clicked) return;  // the strip follows the active page
  if (Index >= 0 && Index < PageCount()) SetActivePage(pages_[Index]);
  if (!IsLoading() && OnTabActive) OnTabActive(this, Index);
}

void TsuiPageControl::TabVisibilityChanged(TsuiTabSheet* Page) {
  strip_->SetTabVisible(Page->page_index_, Page->tab_visible_);
  if (Page->tab_visible_) {
    SetActivePage(Page);
    return;
  }
  if (active_ != Page) return;
  for (int i = Page->page_index_ - 1; i >= 0; --i)
    if (pages_[i]->tab_visible_) return SetActivePage(pages_[i]);
  for (int i = Page->page_index_ + 1; i < PageCount(); ++i)
    if (pages_[i]->tab_visible_) return SetActivePage(pages_[i]);
}

void TsuiPageControl::SetBorderColor(TColor Value) {
  TsuiTab::SetBorderColor(Value);
  for (TsuiTabSheet* p : pages_) p->border_color_ = Value;
  if (active_) active_->Invalidate();
}

void TsuiPageControl::ColorChanged() {
  TsuiTab::ColorChanged();
  for (TsuiTabSheet* p : pages_) p->SetColor(Color());
}

void TsuiPageControl::WritePages(TStream* Stream) const {
  TStringList names;
  for (TsuiTabSheet* p : pages_) names.Add(p->Name());
  names.SaveToStream(Stream);
}

void TsuiPageControl::ReadPages(TStream* Stream) {
  TStringList names;
  names.LoadFromStream(Stream);
  loaded_order_.clear();
  for (int i = 0; i < names.Count(); ++i) loaded_order_.push_back(names.Get(i));
}

void TsuiPageControl::Loaded() {
  TsuiTab::Loaded();
  if (loaded_order_.empty()) return;
  const auto rank = [this](TsuiTabSheet* p) {
    auto it = std::find(loaded_order_.begin(), loaded_order_.end(), p->Name());
    return static_cast<size_t>(it - loaded_order_.begin());
  };
  std::stable_sort(pages_.begin(), pages_.end(),
                   [&](TsuiTabSheet* a, TsuiTabSheet* b) { return rank(a) < rank(b); });
  loaded_order_.clear();
  Renumber();
  RebuildTabs();
  if (active_) SetActivePage(active_);
}

// ---------------------------------------------------------------------------
// TsuiTabSheet

TsuiTabSheet::TsuiTabSheet(TComponent* AOwner) : TPanel(AOwner) {
  SetBevelOuter(bvNone);
  SetAlign(TAlign::alClient);
  SetCaption(" ");
}

TsuiTabSheet::~TsuiTabSheet() {
  if (page_control_) page_control_->RemovePage(this);
}

void TsuiTabSheet::SetParent(TWinControl* AParent) {
  if (page_control_ && AParent != page_control_) page_control_->RemovePage(this);
  TPanel::SetParent(AParent);
  if (auto* pc = dynamic_cast<TsuiPageControl*>(AParent); pc && page_control_ != pc)
    pc->AddPage(this);
}

void TsuiTabSheet::SetPageIndex(int Value) {
  if (page_control_) page_control_->MovePage(this, Value);
}

void TsuiTabSheet::SetTabVisible(bool Value) {
  if (tab_visible_ == Value) return;
  tab_visible_ = Value;
  if (page_control_) page_control_->TabVisibilityChanged(this);
}

void TsuiTabSheet::SetBorderColor(TColor Value) {
  border_color_ = Value;
  Invalidate();
}

void TsuiTabSheet::CMTextChanged(TMessage& Message) {
  TPanel::CMTextChanged(Message);
  if (page_control_) page_control_->RebuildTabs();
}

void TsuiTabSheet::Paint() {
  // The caption belongs to the sheet's tab: the sheet shows its colour.
  TCanvas* c = Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  c->Pen()->SetColor(border_color_);
  c->MoveTo(0, 0);
  c->LineTo(0, Height() - 1);
  c->LineTo(Width() - 1, Height() - 1);
  c->LineTo(Width() - 1, -1);
}

void TsuiTabSheet::WritePageControl(TStream* Stream) const {
  TStringList name;
  name.Add(page_control_ ? page_control_->Name() : "");
  name.SaveToStream(Stream);
}

void TsuiTabSheet::ReadPageControl(TStream* Stream) {
  TStringList name;
  name.LoadFromStream(Stream);
  if (name.Count() == 0 || !Owner()) return;
  if (auto* pc = dynamic_cast<TsuiPageControl*>(Owner()->FindComponent(name.Get(0)))) SetParent(pc);
}

}  // namespace controls
