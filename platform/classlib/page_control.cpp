// Tabs are laid out left to right in page order, each as wide as its caption
// plus a margin; the active tab is drawn raised by two pixels and joined to
// the page frame below it.
#include "platform/classlib/page_control.h"

#include <algorithm>

#include "platform/classlib/drawing_helpers.h"

namespace classlib {

namespace {
constexpr int kTabMargin = 6;  // text to tab edge, each side
constexpr int kTabRaise = 2;   // the active tab stands this much higher and wider
constexpr int kPageInset = 4;  // page frame to page
}  // namespace

// ================================================================ TTabSheet

TTabSheet::TTabSheet(TComponent* AOwner) : TCustomControl(AOwner) {
  control_style_ |= csAcceptsControls;
  SetColor(clBtnFace);
  SetVisible(false);
}

TTabSheet::~TTabSheet() {
  if (page_control_ != nullptr) page_control_->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* Value) {
  if (Value == page_control_) return;
  if (page_control_ != nullptr) page_control_->RemovePage(this);
  SetParent(Value);
  if (Value != nullptr) Value->InsertPage(this);
}

int TTabSheet::PageIndex() const {
  if (page_control_ == nullptr) return -1;
  const auto& p = page_control_->pages_;
  return static_cast<int>(std::find(p.begin(), p.end(), this) - p.begin());
}

void TTabSheet::SetTabVisible(bool Value) {
  if (Value == tab_visible_) return;
  tab_visible_ = Value;
  if (page_control_ != nullptr) page_control_->TabsChanged(this);
}

void TTabSheet::CMTextChanged(TMessage& Message) {
  TCustomControl::CMTextChanged(Message);
  if (page_control_ != nullptr) page_control_->TabsChanged(this);
}

// ================================================================ TPageControl

TPageControl::TPageControl(TComponent* AOwner) : TCustomControl(AOwner) {
  control_style_ = (control_style_ | csAcceptsControls | csOpaque) & ~csSetCaption;
  SetColor(clBtnFace);
  SetTabStop(true);
  SetBounds(0, 0, 289, 193);
}

TPageControl::~TPageControl() {
  for (TTabSheet* p : pages_) p->page_control_ = nullptr;
}

TTabSheet* TPageControl::Pages(int Index) const {
  if (Index < 0 || Index >= PageCount()) return nullptr;
  return pages_[static_cast<size_t>(Index)];
}

void TPageControl::InsertPage(TTabSheet* Page) {
  pages_.push_back(Page);
  Page->page_control_ = this;
  if (active_ == nullptr && Page->tab_visible_)
    SetActivePage(Page);
  else
    LayoutPages();
  Invalidate();
}

void TPageControl::RemovePage(TTabSheet* Page) {
  auto it = std::find(pages_.begin(), pages_.end(), Page);
  if (it == pages_.end()) return;
  const size_t index = static_cast<size_t>(it - pages_.begin());
  pages_.erase(it);
  Page->page_control_ = nullptr;
  if (active_ == Page) {
    active_ = nullptr;
    // The next page with a visible tab takes over, else the one before.
    for (size_t i = index; i < pages_.size() && active_ == nullptr; ++i)
      if (pages_[i]->tab_visible_) active_ = pages_[i];
    for (size_t i = index; i-- > 0 && active_ == nullptr;)
      if (pages_[i]->tab_visible_) active_ = pages_[i];
  }
  LayoutPages();
  Invalidate();
}

void TPageControl::TabsChanged(TTabSheet* Page) {
  if (Page == active_ && !Page->tab_visible_) {
    // A hidden tab cannot stay active: the next visible one (or the one before) is shown.
    const int index = Page->PageIndex();
    active_ = nullptr;
    for (int i = index + 1; i < PageCount() && active_ == nullptr; ++i)
      if (pages_[static_cast<size_t>(i)]->tab_visible_) active_ = pages_[static_cast<size_t>(i)];
    for (int i = index - 1; i >= 0 && active_ == nullptr; --i)
      if (pages_[static_cast<size_t>(i)]->tab_visible_) active_ = pages_[static_cast<size_t>(i)];
  } else if (active_ == nullptr && Page->tab_visible_) {
    active_ = Page;
  }
  LayoutPages();
  Invalidate();
}

void TPageControl::SetActivePage(TTabSheet* Page) {
  if (Page != nullptr && (Page->page_control_ != this || !Page->tab_visible_)) return;
  if (Page == active_) return;
  active_ = Page;
  LayoutPages();
  Invalidate();
}

void TPageControl::LayoutPages() {
  const TRect r = DisplayRect();
  for (TTabSheet* p : pages_) {
    if (p == active_) p->SetBoundsRect(r);
    p->SetVisible(p == active_);
  }
}

int TPageControl::TabHeight() {
  Canvas()->Font()->Assign(Font());
  return Canvas()->TextHeight("Ag") + 6 + kTabRaise;
}

TRect TPageControl::TabRect(int Index) {
  TTabSheet* page = Pages(Index);
  if (page == nullptr || !page->tab_visible_) return Rect(0, 0, 0, 0);
  Canvas()->Font()->Assign(Font());
  const int h = TabHeight();
  int x = kTabRaise;
  for (TTabSheet* p : pages_) {
    if (!p->tab_visible_) continue;
    const int w = Canvas()->TextWidth(p->Caption()) + 2 * kTabMargin;
    if (p == page) {
      TRect t = Rect(x, kTabRaise, x + w, h);
      if (p == active_) t = Rect(x - kTabRaise, 0, x + w + kTabRaise, h + 1);
      return t;
    }
    x += w;
  }
  return Rect(0, 0, 0, 0);
}

TRect TPageControl::DisplayRect() {
  const int top = PageCount() > 0 ? TabHeight() : 0;
  TRect r = Rect(kPageInset, top + kPageInset, Width() - kPageInset, Height() - kPageInset);
  if (r.Right < r.Left) r.Right = r.Left;
  if (r.Bottom < r.Top) r.Bottom = r.Top;
  return r;
}

TTabSheet* TPageControl::PageAt(int X, int Y) {
  for (int i = 0; i < PageCount(); ++i)
    if (PtInRect(TabRect(i), Point(X, Y))) return pages_[static_cast<size_t>(i)];
  return nullptr;
}

void TPageControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (Button != TMouseButton::mbLeft || !Enabled()) return;
  TTabSheet* page = PageAt(X, Y);
  if (page == nullptr || page == active_) return;
  SetActivePage(page);
  if (CanFocus()) SetFocus();
  if (OnChange) OnChange(this);
}

void TPageControl::BoundsChanged(bool Moved, bool Resized) {
  TCustomControl::BoundsChanged(Moved, Resized);
  if (Resized) LayoutPages();
}

void TPageControl::FontChanged() {
  TCustomControl::FontChanged();
  LayoutPages();
  Invalidate();
}

void TPageControl::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  c->Font()->Assign(Font());
  const int tab_h = TabHeight();
  if (PageCount() > 0) {
    // The page frame, raised.
    TRect frame = Rect(0, tab_h, Width(), Height());
    Frame3D(c, frame, clBtnHighlight, clBtnShadow, 1);
    Frame3D(c, frame, clBtnFace, clWindowFrame, 1);
  }
  c->Brush()->SetStyle(bsClear);
  for (int i = 0; i < PageCount(); ++i) {
    TTabSheet* p = pages_[static_cast<size_t>(i)];
    if (!p->tab_visible_) continue;
    const TRect t = TabRect(i);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(Rect(t.Left, t.Top, t.Right, t.Bottom));
    // Left and top highlight, right shadow; no bottom edge on the active tab.
    c->Pen()->SetColor(clBtnHighlight);
    c->MoveTo(t.Left, t.Bottom - 1);
    c->LineTo(t.Left, t.Top + 2);
    c->LineTo(t.Left + 2, t.Top);
    c->LineTo(t.Right - 2, t.Top);
    c->Pen()->SetColor(clWindowFrame);
    c->MoveTo(t.Right - 2, t.Top + 1);
    c->LineTo(t.Right - 1, t.Top + 2);
    c->LineTo(t.Right - 1, t.Bottom);
    c->Pen()->SetColor(clBtnShadow);
    c->MoveTo(t.Right - 2, t.Top + 2);
    c->LineTo(t.Right - 2, t.Bottom);
    if (p == active_) {
      c->Pen()->SetColor(Color());
      c->MoveTo(t.Left + 1, t.Bottom - 1);
      c->LineTo(t.Right - 2, t.Bottom - 1);
    }
    c->Brush()->SetStyle(bsClear);
    TRect text = t;
    c->Font()->SetColor(p->Enabled() ? clBtnText : clGrayText);
    c->DrawText(p->Caption(), text, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  }
}

}  // namespace classlib
