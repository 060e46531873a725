#include "treectl/header_control.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/classlib/application.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/drawing_helpers.h"
#include "platform/classlib/form.h"
#include "platform/classlib/guide_line.h"
#include "platform/classlib/hint_window.h"
#include "platform/classlib/math_utils.h"
#include "platform/classlib/menus.h"
#include "platform/classlib/std_controls.h"
#include "platform/classlib/string_list.h"
#include "platform/classlib/system_metrics.h"
#include "treectl/tree_utils.h"

namespace lumicast {

using namespace classlib;

namespace {

// The focused windowed control among Root and its children.
TWinControl* FocusedWithin(TWinControl* Root) {
  if (Root == nullptr) return nullptr;
  if (Root->Focused()) return Root;
  for (int i = 0; i < Root->ControlCount(); ++i)
    if (auto* wc = dynamic_cast<TWinControl*>(Root->Controls(i)))
      if (TWinControl* f = FocusedWithin(wc)) return f;
  return nullptr;
}

// Runs Action; when it throws, runs Undo first and lets the exception go on.
template <typename A, typename U>
void Guarded(A&& Action, U&& Undo) {
  try {
    Action();
  } catch (...) {
    Undo();
    throw;
  }
}

}  // namespace

// ============================================================== construction

TCustomElHeader::TCustomElHeader(TComponent* AOwner) : TCustomControl(AOwner) {
  control_style_ |= csSelfPaint | csDoubleClicks;
  SetColor(clBtnFace);
  SetAlign(alTop);
  image_link_.OnChange = [this](TObject*) {
    AdjustHeaderHeight();
    Invalidate();
  };
  LoadGlyphs();
  CreateSections();
  SetBounds(0, 0, 200, std::abs(Font()->Height()) + 2 * GetSystemMetrics(SM_CYBORDER) + 6);
  last_client_width_ = ClientWidth();
}

TCustomElHeader::~TCustomElHeader() {
  // The lookup box goes with the header's components: it must not call back.
  if (lookup_box_ != nullptr) {
    lookup_box_->OnChange = nullptr;
    lookup_box_->OnKeyDown = nullptr;
    lookup_box_->OnKeyPress = nullptr;
    lookup_box_->OnExit = nullptr;
  }
  if (resize_line_ != nullptr) {
    delete resize_line_;
    resize_line_ = nullptr;
  }
  if (images_ != nullptr) images_->UnRegisterChanges(&image_link_);
  // Sections call back into the header while they go: free them first.
  if (sections_) sections_->Clear();
}

void TCustomElHeader::CreateSections() { sections_ = std::make_unique<TElHeaderSections>(this); }

void TCustomElHeader::SetSections(TElHeaderSections* Value) { sections_->Assign(Value); }

// ============================================================== properties

void TCustomElHeader::SetActiveFilterColor(TColor Value) {
  if (Value == active_filter_color_) return;
  active_filter_color_ = Value;
  Invalidate();
}

void TCustomElHeader::SetFilterColor(TColor Value) {
  if (Value == filter_color_) return;
  filter_color_ = Value;
  Invalidate();
}

void TCustomElHeader::SetFlat(bool Value) {
  if (Value == flat_) return;
  flat_ = Value;
  Invalidate();
}

int TCustomElHeader::SectionsWidth() const {
  int64_t x = 0;
  for (int i = 0; i < sections_->Count(); ++i) {
    TElHeaderSection* s = sections_->ItemByPos(i);
    if (s->EffectivelyVisible()) x += s->Width();
  }
  return static_cast<int>(std::min<int64_t>(x, INT32_MAX));
}

void TCustomElHeader::SetImages(TImageList* Value) {
  if (Value == images_) return;
  if (images_ != nullptr) {
    images_->UnRegisterChanges(&image_link_);
    images_->RemoveFreeNotification(this);
  }
  images_ = Value;
  if (images_ != nullptr) {
    images_->RegisterChanges(&image_link_);
    images_->FreeNotification(this);
  }
  AdjustHeaderHeight();
  Invalidate();
}

void TCustomElHeader::SetInvertSortArrows(bool Value) {
  if (Value == invert_sort_arrows_) return;
  invert_sort_arrows_ = Value;
  Invalidate();
}

void TCustomElHeader::SetLockHeight(bool Value) {
  if (Value == lock_height_) return;
  lock_height_ = Value;
  AdjustHeaderHeight();
}

void TCustomElHeader::SetRightAlignedText(bool Value) {
  if (Value == right_aligned_text_) return;
  right_aligned_text_ = Value;
  Invalidate();
}

void TCustomElHeader::SetRightAlignedOrder(bool Value) {
  if (Value == right_aligned_order_) return;
  right_aligned_order_ = Value;
  if (!LoadingHeader()) ApplyRightAlignedOrder();
}

void TCustomElHeader::ApplyRightAlignedOrder() {
  TElList& list = sections_->list_;
  for (int i = 0, j = list.Count() - 1; i < j; ++i, --j) {
    void* a = list.Get(i);
    void* b = list.Get(j);
    list.Put(i, b);
    list.Put(j, a);
  }
  Invalidate();
}

void TCustomElHeader::SetStickySections(bool Value) {
  sticky_sections_ = Value;
  if (Value && !LoadingHeader()) StoreRatios();
}

bool TCustomElHeader::LoadingHeader() const {
  if (IsLoading() || loading_count_ > 0) return true;
  auto* owner = dynamic_cast<TComponent*>(Owner());
  return owner != nullptr && owner->IsLoading();
}

void TCustomElHeader::EndHeaderLoading() {
  if (loading_count_ > 0) --loading_count_;
}

void TCustomElHeader::SetScrollOffset(int Value) {
  if (Value == scroll_offset_) return;
  scroll_offset_ = Value;
  Invalidate();
}

// ============================================================== layout

TElHeaderSection* TCustomElHeader::SectionAt(int X) const {
  int64_t sum = 0;
  const int64_t x = static_cast<int64_t>(X) + scroll_offset_;
  for (int i = 0; i < sections_->Count(); ++i) {
    TElHeaderSection* s = sections_->ItemByPos(i);
    if (!s->EffectivelyVisible()) continue;
    sum += s->Width();
    if (sum > x) return s;
  }
  return nullptr;
}

TRect TCustomElHeader::SectionBounds(int Index) const {
  TElHeaderSection* s = sections_->ItemByPos(Index);
  return Rect(s->LeftEdge(), 0, s->RightEdge(), ClientHeight());
}

bool TCustomElHeader::InResizeZone(int X, TElHeaderSection*& Section) const {
  Section = nullptr;
  TElHeaderSection* s = SectionAt(X);
  if (s == nullptr) {
    // Just beyond the last section: its zone.
    TElHeaderSection* last = sections_->LastShownSection();
    if (last == nullptr) return false;
    int right = last->RightEdge() - scroll_offset_;
    if (X >= right && X < right + 5) {
      Section = last;
      return true;
    }
    return false;
  }
  if (s->Width() <= kMinZoneSectionWidth) return false;
  const int right = s->RightEdge() - scroll_offset_;
  const int left = s->LeftEdge() - scroll_offset_;
  if (X >= right - 5) {
    Section = s;
    return true;
  }
  if (X < left + 5) {
    TElHeaderSection* prev = sections_->PreviousShownSection(s);
    if (prev == nullptr) return false;
    Section = prev;
    return true;
  }
  return false;
}

int TCustomElHeader::PreferredSectionWidth(TElHeaderSection* Section, int& TextWidth) {
  TextWidth = 0;
  int w = 10;
  if (Section->Expandable() || Section->LookupEnabled() || Section->FilterEnabled()) w += 8;
  w += 12 + 5;
  if (Section->Style() == ElhsOwnerDraw) {
    TPoint size;
    FireSectionMeasure(Section, size);
    w += size.X;
  } else {
    int index = Section->ImageIndex();
    if (index == -1) index = FireGetPicture(Section);
    if (images_ != nullptr && index >= 0 && index < images_->Count()) w += images_->Width();
    if (Section->Style() == ElhsText) {
      Canvas()->Font()->Assign(Font());
      TextWidth = Canvas()->TextWidth(Section->Text());
      w += TextWidth;
    }
  }
  return std::max(w, Section->MinWidth());
}

int TCustomElHeader::ClientHeightRule() const {
  int h = std::max(17, std::abs(Font()->Height()) + 8);
  if (images_ != nullptr) h = std::max(h, images_->Height());
  return h;
}

void TCustomElHeader::AdjustHeaderHeight() {
  if (lock_height_ || LoadingHeader()) return;
  int h = ClientHeightRule();
  if (h != ClientHeight()) SetClientHeight(h);
}

void TCustomElHeader::FontChanged() {
  TCustomControl::FontChanged();
  AdjustHeaderHeight();
}

void TCustomElHeader::Resize() {
  const int font_h = std::abs(Font()->Height());
  if (!lock_height_ &&
      (ClientHeight() < font_h + 6 || (images_ != nullptr && ClientHeight() < images_->Height())))
    AdjustHeaderHeight();
  bool signs = false;
  for (int i = 0; i < sections_->Count(); ++i) {
    TElHeaderSection* s = sections_->ItemByPos(i);
    signs = signs || s->LookupEnabled() || s->FilterEnabled();
  }
  if (signs && Height() >= 1 && Height() <= 16) SetHeight(17);
  if (sticky_sections_ && !LoadingHeader() && ClientWidth() != last_client_width_) {
    const bool grown = ClientWidth() > last_client_width_;
    sticky_resizing_ = true;
    struct Done {
      bool& flag;
      ~Done() { flag = false; }
    } done{sticky_resizing_};
    int fixed = 0;
    for (int i = 0; i < sections_->Count(); ++i) {
      TElHeaderSection* s = sections_->ItemByPos(i);
      if (!s->EffectivelyVisible() || s->Resizable()) continue;
      if (grown && s->SavedWidth >= 0) {
        s->width_ = std::min(s->SavedWidth, s->width_ + (ClientWidth() - last_client_width_));
        if (s->width_ == s->SavedWidth) s->SavedWidth = -1;
      }
      fixed += s->width_;
    }
    const int free = std::max(1, ClientWidth() - fixed);
    for (int i = 0; i < sections_->Count(); ++i) {
      TElHeaderSection* s = sections_->ItemByPos(i);
      if (s->EffectivelyVisible() && s->Resizable())
        s->width_ = static_cast<int>(Round(s->WidthRatio * free));
    }
    FitSticky(nullptr);
    Invalidate();
  }
  last_client_width_ = ClientWidth();
  TCustomControl::Resize();
}

void TCustomElHeader::StoreRatios() {
  int fixed = 0;
  for (int i = 0; i < sections_->Count(); ++i) {
    TElHeaderSection* s = sections_->ItemByPos(i);
    if (s->EffectivelyVisible() && !s->Resizable()) fixed += s->Width();
  }
  int free = ClientWidth() - fixed;
  if (free == 0) free = 1;
  for (int i = 0; i < sections_->Count(); ++i) {
    TElHeaderSection* s = sections_->ItemByPos(i);
    s->WidthRatio =
        s->EffectivelyVisible() && s->Resizable() ? static_cast<double>(s->Width()) / free : 0;
  }
}

// Fits the sections to client width - 1: the last resizable sections shrink
// first, then the fixed ones (remembering their width); fixed sections grow
// back toward what they had; the last resizable section takes the rest.
void TCustomElHeader::FitSticky(TElHeaderSection* Changing) {
  const int cw = ClientWidth();
  const int target = cw - 1;
  if (target < 0) return;
  auto last_with_width = [&](bool resizable) -> TElHeaderSection* {
    for (int i = sections_->Count() - 1; i >= 0; --i) {
      TElHeaderSection* s = sections_->ItemByPos(i);
      if (s != Changing && s->EffectivelyVisible() && s->Resizable() == resizable && s->width_ > 0)
        return s;
    }
    return nullptr;
  };
  for (bool resizable : {true, false}) {
    int total = SectionsWidth();
    while (total >= cw) {
      TElHeaderSection* s = last_with_width(resizable);
      if (s == nullptr) break;
      if (!resizable && s->SavedWidth < 0) s->SavedWidth = s->width_;
      s->width_ = std::max(0, s->width_ - (total - target));
      total = SectionsWidth();
    }
  }
  int total = SectionsWidth();
  for (int i = 0; i < sections_->Count() && total < target; ++i) {
    TElHeaderSection* s = sections_->ItemByPos(i);
    if (!s->EffectivelyVisible() || s->Resizable() || s->SavedWidth < 0) continue;
    int grow = std::min(s->SavedWidth - s->width_, target - total);
    s->width_ += grow;
    if (s->width_ >= s->SavedWidth) s->SavedWidth = -1;
    total = SectionsWidth();
  }
  if (total < target) {
    for (int i = sections_->Count() - 1; i >= 0; --i) {
      TElHeaderSection* s = sections_->ItemByPos(i);
      if (s != Changing && s->EffectivelyVisible() && s->Resizable()) {
        s->width_ += target - total;
        break;
      }
    }
  }
}

// ============================================================== repainting

void TCustomElHeader::ReleaseUpdates() {
  if (hold_count_ > 0) --hold_count_;
  if (hold_count_ == 0 && hold_dirty_) {
    hold_dirty_ = false;
    Invalidate();
  }
}

void TCustomElHeader::RepaintRect(const TRect&) {
  if (hold_count_ > 0) {
    hold_dirty_ = true;
    return;
  }
  Invalidate();
}

void TCustomElHeader::RepaintSection(TElHeaderSection* Section) {
  if (Section == nullptr || sections_->IndexOf(Section) < 0) return;
  RepaintRect(Rect(Section->LeftEdge() - scroll_offset_, 0, Section->RightEdge() - scroll_offset_,
                   Height() - 1));
}

void TCustomElHeader::InvalidateFrom(int Index) {
  if (Index < 0 || Index >= sections_->Count()) throw EElError("Index out of bounds");
  TElHeaderSection* s = sections_->ItemByPos(Index);
  RepaintRect(Rect(s->LeftEdge() - scroll_offset_, 0, ClientWidth(), ClientHeight()));
}

void TCustomElHeader::ForgetSection(TElHeaderSection* Section) {
  auto forget = [Section](TElHeaderSection*& p) {
    if (Section == nullptr || p == Section) p = nullptr;
  };
  forget(press_section_);
  forget(tip_section_);
  forget(lookup_target_);
  forget(tracked_section_);
  forget(moving_section_);
  forget(target_section_);
  if (sizing_section_ != nullptr && (Section == nullptr || sizing_section_ == Section))
    AbandonMouseAction();
  if (press_section_ == nullptr) pressed_ = false;
}

// ============================================================== firing

int TCustomElHeader::FireGetPicture(TElHeaderSection* Section) {
  int index = -1;
  if (OnPictureNeeded) OnPictureNeeded(this, Section, index);
  return index;
}
void TCustomElHeader::FireShowHide(TElHeaderSection* Section) {
  if (OnSectionShowHide) OnSectionShowHide(this, Section);
}
void TCustomElHeader::FireSectionDelete(TElHeaderSection* Section) {
  if (OnSectionDelete) OnSectionDelete(this, Section);
}
void TCustomElHeader::FireSectionMove(TElHeaderSection* Section, int OldPos, int NewPos) {
  if (OnSectionMove) OnSectionMove(this, Section, OldPos, NewPos);
}
void TCustomElHeader::FireSectionResizing(TElHeaderSection* Section, TElHResizingStates State,
                                          int Width) {
  if (OnSectionResizing) OnSectionResizing(this, Section, State, Width);
}
void TCustomElHeader::FireSectionResize(TElHeaderSection* Section) {
  if (OnSectionResize) OnSectionResize(this, Section);
}
void TCustomElHeader::FireSectionClick(TElHeaderSection* Section) {
  if (OnSectionClick) OnSectionClick(this, Section);
}
void TCustomElHeader::FireSectionDraw(TCanvas* Canvas, TElHeaderSection* Section, const TRect& R,
                                      bool Pressed) {
  if (OnSectionDraw) OnSectionDraw(this, Canvas, Section, R, Pressed);
}
void TCustomElHeader::FireSectionChange(TElHeaderSection* Section, TSectionChangeMode Change) {
  if (OnSectionChange) OnSectionChange(this, Section, Change);
}
void TCustomElHeader::FireSectionExpand(TElHeaderSection* Section) {
  if (OnSectionExpand) OnSectionExpand(this, Section);
}
void TCustomElHeader::FireSectionCollapse(TElHeaderSection* Section) {
  if (OnSectionCollapse) OnSectionCollapse(this, Section);
}
void TCustomElHeader::FireSectionCreate(TElHeaderSection* Section) {
  if (OnSectionCreate) OnSectionCreate(this, Section);
}
void TCustomElHeader::FireSectionLookup(TElHeaderSection* Section, std::string& Text) {
  if (OnHeaderLookup) OnHeaderLookup(this, Section, Text);
}
void TCustomElHeader::FireSectionLookupDone(TElHeaderSection* Section, const std::string& Text,
                                            bool Accepted) {
  if (OnHeaderLookupDone) OnHeaderLookupDone(this, Section, Text, Accepted);
}
void TCustomElHeader::FireSectionAutoSize(TElHeaderSection* Section) {
  if (OnSectionAutoSize) OnSectionAutoSize(this, Section);
}
void TCustomElHeader::FireFilterCall(TElHeaderSection* Section) {
  if (OnFilterCall) OnFilterCall(this, Section);
}
void TCustomElHeader::FireSectionMeasure(TElHeaderSection* Section, TPoint& Size) {
  if (OnMeasureSection) OnMeasureSection(this, Section, Size);
}

// ============================================================== mouse

void TCustomElHeader::StartResize(TElHeaderSection* Section, int X) {
  resizing_ = true;
  if (tracked_section_ != nullptr) {
    TElHeaderSection* old = tracked_section_;
    tracked_section_ = nullptr;
    RepaintSection(old);
  }
  if (Cursor() != crHSplit) saved_cursor_ = Cursor();
  SetCursor(crHSplit);
  SetMouseCapture(true);
  sizing_section_ = Section;
  line_x_ = Section->RightEdge() - scroll_offset_;
  grab_offset_ = X - line_x_;
  if (!resize_on_drag_ && Parent() != nullptr) {
    if (resize_line_ == nullptr) resize_line_ = new TGuideLine(nullptr);
    resize_line_->Place(Parent(), Left() + line_x_, 0, Parent()->ClientHeight());
  }
  Guarded([&] { FireSectionResizing(Section, trsBegin, Section->Width()); },
          [this] { AbandonMouseAction(); });
}

void TCustomElHeader::AbandonMouseAction() {
  if (resize_line_ != nullptr) {
    TWinControl* parent = resize_line_->Parent();
    delete resize_line_;
    resize_line_ = nullptr;
    if (parent != nullptr) parent->Invalidate();
  }
  if (Cursor() == crHSplit) SetCursor(saved_cursor_);
  if (MouseCapture()) SetMouseCapture(false);
  resizing_ = false;
  sizing_section_ = nullptr;
  moving_section_ = nullptr;
  drag_image_.reset();
  pressed_ = false;
  Invalidate();
}

void TCustomElHeader::EndResize(int X, bool Apply) {
  (void)X;
  TElHeaderSection* s = sizing_section_;
  resizing_ = false;
  if (Cursor() == crHSplit) SetCursor(saved_cursor_);
  if (MouseCapture()) SetMouseCapture(false);
  sizing_section_ = nullptr;
  if (s == nullptr) return;
  if (!resize_on_drag_) {
    if (resize_line_ != nullptr) {
      TWinControl* parent = resize_line_->Parent();
      delete resize_line_;
      resize_line_ = nullptr;
      if (parent != nullptr) parent->Invalidate();
    }
    if (Apply) s->SetWidth(line_x_ - s->LeftEdge() + scroll_offset_);
  }
  FireSectionResizing(s, trsEnd, s->Width());
  FireSectionResize(s);
  Invalidate();
}

void TCustomElHeader::StartDrag(TElHeaderSection* Section) {
  moving_section_ = Section;
  pressed_ = false;
  const TRect r = Rect(Section->LeftEdge() - scroll_offset_, 0,
                       Section->RightEdge() - scroll_offset_, ClientHeight());
  drag_image_ = std::make_unique<TBitmap>();
  drag_image_->SetPixelFormat(pf24bit);
  drag_image_->SetSize(r.Width() + 1, r.Height() + 1);
  TCanvas* c = drag_image_->Canvas();
  c->Brush()->SetColor(Color());
  c->Brush()->SetStyle(bsSolid);
  c->FillRect(Rect(0, 0, r.Width() + 1, r.Height() + 1));
  c->Font()->Assign(Font());
  PaintSection(c, Section, Rect(0, 0, r.Width(), r.Height()), false);
  drag_rect_ = r;
  last_drag_point_ = press_point_;
  SetMouseCapture(true);
  Invalidate();
}

void TCustomElHeader::EndDrag(int X) {
  TElHeaderSection* moving = moving_section_;
  target_section_ = SectionAt(X);
  Guarded(
      [&] {
        if (moving != nullptr && target_section_ != moving) {
          int to = target_section_ != nullptr ? sections_->IndexOf(target_section_)
                                              : sections_->Count() - 1;
          sections_->RelocateSection(moving, to);
        }
      },
      [this] { AbandonMouseAction(); });
  press_section_ = nullptr;
  moving_section_ = nullptr;
  drag_image_.reset();
  Invalidate();
  if (MouseCapture()) SetMouseCapture(false);
}

void TCustomElHeader::LeftDown(int X, int Y) {
  last_mouse_ = Point(X, Y);
  if (lookup_active_) {
    CloseLookup(false);
    return;
  }
  if ((ControlStyle() & csNoStdEvents) != 0) return;
  TElHeaderSection* zone = nullptr;
  if (InResizeZone(X, zone) && zone->Resizable()) {
    StartResize(zone, X);
    return;
  }
  press_point_ = Point(X, Y);
  pressed_ = true;
  if (press_section_ != nullptr) RepaintSection(press_section_);
  press_section_ = SectionAt(X);
  TElHeaderSection* s = press_section_;
  if (s != nullptr && s->Width() > kMinZoneSectionWidth) {
    const int r = s->RightEdge() - scroll_offset_ - 4;
    if (s->Expandable() && X >= r - 7 && X <= r && Y >= 2 && Y <= 9) {
      pressed_ = false;
      press_section_ = nullptr;
      s->SetExpanded(!s->Expanded());
      if (s->Expanded())
        FireSectionExpand(s);
      else
        FireSectionCollapse(s);
      return;
    }
    if (s->FilterEnabled() && X >= r - 6 && X <= r && Y >= 12 && Y <= 16) {
      FireFilterCall(s);
    } else if (s->LookupEnabled() && X >= r - 7 && X <= r && Y >= 12 && Y <= 16) {
      pressed_ = false;
      press_section_ = nullptr;
      OpenLookup(s);
      return;
    }
  }
  if (press_section_ != nullptr && press_section_->AllowClick())
    RepaintSection(press_section_);
  else
    press_section_ = nullptr;
}

void TCustomElHeader::MoveTo(int X, int Y) {
  last_mouse_ = Point(X, Y);
  if (pressed_ && allow_drag_ && press_section_ != nullptr && moving_section_ == nullptr) {
    const double dx = X - press_point_.X, dy = Y - press_point_.Y;
    if (std::sqrt(dx * dx + dy * dy) >= kDragThreshold) StartDrag(press_section_);
  }
  if (moving_section_ != nullptr) {
    target_section_ = SectionAt(X);
    if (move_on_drag_) {
      const int dragged = moving_section_->Width();
      const int mp = sections_->IndexOf(moving_section_);
      if (target_section_ == nullptr) {
        if (mp != sections_->Count() - 1)
          sections_->RelocateSection(moving_section_, sections_->Count() - 1);
      } else if (target_section_ != moving_section_) {
        const int tp = sections_->IndexOf(target_section_);
        const int tl = target_section_->LeftEdge() - scroll_offset_;
        const int tr = target_section_->RightEdge() - scroll_offset_;
        if ((tp > mp && X > tr - dragged) || (tp < mp && X < tl + dragged))
          sections_->RelocateSection(moving_section_, tp);
      }
    }
    OffsetRect(drag_rect_, X - last_drag_point_.X, 0);
    last_drag_point_ = Point(X, Y);
    Invalidate();
    return;
  }
  if (resizing_) {
    TElHeaderSection* s = sizing_section_;
    int w = static_cast<int>(
        std::clamp<int64_t>(static_cast<int64_t>(X) - s->LeftEdge() - grab_offset_ + scroll_offset_,
                            INT32_MIN, INT32_MAX));
    if (sticky_sections_) {
      int fixed_after = 0;
      for (int i = sections_->IndexOf(s) + 1; i < sections_->Count(); ++i) {
        TElHeaderSection* c = sections_->ItemByPos(i);
        if (c->EffectivelyVisible() && !c->Resizable()) fixed_after += c->Width();
      }
      const int limit = ClientWidth() - fixed_after - 1;
      w = std::min(w, limit - (s->LeftEdge() - scroll_offset_));
    }
    if (w >= s->MinWidth() && w <= s->MaxWidth()) {
      if (resize_on_drag_) {
        s->SetWidth(w);
        Invalidate();
      } else {
        line_x_ = s->LeftEdge() - scroll_offset_ + w;
        if (resize_line_ != nullptr && Parent() != nullptr)
          resize_line_->Place(Parent(), Left() + line_x_, 0, Parent()->ClientHeight());
      }
      Guarded([&] { FireSectionResizing(s, trsMove, w); }, [this] { AbandonMouseAction(); });
    }
    return;
  }
  if ((ControlStyle() & csNoStdEvents) != 0) return;
  if (tracking_ && (ComponentState() & csDesigning) == 0) {
    TElHeaderSection* hot = SectionAt(X);
    if (hot != tracked_section_) {
      TElHeaderSection* old = tracked_section_;
      tracked_section_ = hot;
      RepaintSection(old);
      RepaintSection(hot);
    }
  }
  TElHeaderSection* zone = nullptr;
  if (InResizeZone(X, zone) && zone->Resizable()) {
    if (Cursor() != crHSplit) {
      saved_cursor_ = Cursor();
      SetCursor(crHSplit);
    }
  } else if (Cursor() == crHSplit) {
    SetCursor(saved_cursor_);
  }
  TElHeaderSection* under = SectionAt(X);
  if (under != tip_section_) {
    tip_section_ = under;
    if (under != nullptr && !under->Hint().empty() && ShowHint())
      Application->ActivateHint(ClientToScreen(Point(X, Y)));
  }
}

void TCustomElHeader::LeftUp(int X, int Y) {
  last_mouse_ = Point(X, Y);
  if (resizing_) {
    EndResize(X, true);
    return;
  }
  if (moving_section_ != nullptr) {
    EndDrag(X);
    return;
  }
  if ((ControlStyle() & csNoStdEvents) != 0) return;
  pressed_ = false;
  TElHeaderSection* s = press_section_;
  if (s == nullptr) return;
  press_section_ = nullptr;
  RepaintSection(s);
  if (SectionAt(press_point_.X) == SectionAt(X)) FireSectionClick(s);
}

void TCustomElHeader::DoubleClickAt(int X, int Y) {
  TElHeaderSection* zone = nullptr;
  if (InResizeZone(X, zone) && zone->Resizable()) {
    FireSectionAutoSize(zone);
    return;
  }
  LeftDown(X, Y);
}

void TCustomElHeader::RightDown(int X, int Y) {
  TElHeaderSection* s = SectionAt(X);
  TPopupMenu* menu = nullptr;
  if (s != nullptr && s->PopupMenu() != nullptr && s->PopupMenu()->AutoPopup())
    menu = s->PopupMenu();
  else if (PopupMenu() != nullptr && PopupMenu()->AutoPopup())
    menu = PopupMenu();
  if (menu == nullptr) return;
  TPoint p = ClientToScreen(Point(X, Y));
  menu->SetPopupComponent(this);
  menu->Popup(p.X, p.Y);
}

void TCustomElHeader::FocusLost() {
  left_held_ = false;
  if (!pressed_ && !resizing_ && moving_section_ == nullptr) return;
  TPoint p = last_mouse_;
  LeftUp(p.X, p.Y);
  if (OnMouseUp) OnMouseUp(this, TMouseButton::mbLeft, 0, p.X, p.Y);
}

void TCustomElHeader::MouseLeft() {
  TElHeaderSection* old_target = target_section_;
  TElHeaderSection* old_press = pressed_ ? press_section_ : nullptr;
  TElHeaderSection* old_tracked = tracked_section_;
  target_section_ = nullptr;
  pressed_ = false;
  tracked_section_ = nullptr;
  tip_section_ = nullptr;
  RepaintSection(old_target);
  RepaintSection(old_press);
  RepaintSection(old_tracked);
  if (Cursor() == crHSplit && !resizing_) SetCursor(saved_cursor_);
}

void TCustomElHeader::MouseEntered() {
  if (press_section_ != nullptr && moving_section_ == nullptr && !pressed_ && !resizing_ &&
      left_held_) {
    pressed_ = true;
    RepaintSection(press_section_);
  }
}

void TCustomElHeader::DragLeft() {
  TElHeaderSection* old = target_section_;
  target_section_ = nullptr;
  RepaintSection(old);
}

void TCustomElHeader::DragDropped() { DragLeft(); }

void TCustomElHeader::DragCancelled() {
  DragLeft();
  TElHeaderSection* old = moving_section_;
  moving_section_ = nullptr;
  drag_image_.reset();
  RepaintSection(old);
}

void TCustomElHeader::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
      left_held_ = true;
      LeftDown(Message.XPos(), Message.YPos());
      break;
    case WM_LBUTTONDBLCLK: DoubleClickAt(Message.XPos(), Message.YPos()); break;
    case WM_MOUSEMOVE: MoveTo(Message.XPos(), Message.YPos()); break;
    case WM_LBUTTONUP:
      // A capture the header took itself ends here; the base class then
      // sees a plain button release.
      left_held_ = false;
      LeftUp(Message.XPos(), Message.YPos());
      break;
    case WM_RBUTTONDOWN:
      if (!resizing_) {
        RightDown(Message.XPos(), Message.YPos());
        return;
      }
      break;
    case WM_RBUTTONUP:
      // The menu showed at the press; only the notification remains.
      if (!resizing_) DoMouseUp(Message, TMouseButton::mbRight);
      return;
    case WM_KILLFOCUS: FocusLost(); break;
    case WM_CAPTURECHANGED:
      if (resizing_ || moving_section_ != nullptr) FocusLost();
      return;
    case CM_MOUSELEAVE: MouseLeft(); break;
    case CM_MOUSEENTER: MouseEntered(); break;
    case CM_HINTSHOW: {
      // The hint of the section under the pointer.
      auto* info = reinterpret_cast<THintInfo*>(Message.LParam);
      if (info != nullptr) {
        TElHeaderSection* s = SectionAt(info->CursorPos.X);
        if (s != nullptr && !s->Hint().empty()) info->HintStr = s->Hint();
      }
      Message.Result = 0;
      return;
    }
    default: break;
  }
  TCustomControl::WndProc(Message);
}

// ============================================================== lookup box

void TCustomElHeader::OpenLookup(TElHeaderSection* Section) {
  if (Parent() == nullptr) return;
  if (lookup_box_ == nullptr) {
    lookup_box_ = new TComboBox(this);
    lookup_box_->SetStyle(csDropDown);
    lookup_box_->OnChange = [this](TObject*) { LookupTextChanged(); };
    lookup_box_->OnKeyDown = [this](TObject*, uint16_t& Key, TShiftState) { LookupKey(Key); };
    lookup_box_->OnKeyPress = [](TObject*, char32_t& Key) {
      if (Key == U'\r' || Key == U'\x1b') Key = 0;
    };
    lookup_box_->OnExit = [this](TObject*) {
      if (lookup_active_) CloseLookup(false);
    };
  }
  lookup_box_->SetParent(Parent());
  TFont f;
  f.Assign(Font());
  f.SetHeight(std::abs(Font()->Height()) - 3);
  lookup_box_->SetFont(&f);
  const int height = std::max(lookup_box_->Height(), ClientHeight() - 2);
  lookup_box_->SetBounds(Left() + Section->LeftEdge() - scroll_offset_, Top(), Section->Width(),
                         height);
  lookup_box_->Items()->Assign(Section->LookupHistory());
  lookup_target_ = Section;
  lookup_active_ = true;
  focus_before_lookup_ = FocusedWithin(ParentForm());
  lookup_box_->Show();
  lookup_box_->BringToFront();
  try {
    if (lookup_box_->CanFocus()) lookup_box_->SetFocus();
  } catch (const Exception&) {
    // The box works without the focus (a window not on screen).
  }
}

void TCustomElHeader::LookupTextChanged() {
  if (lookup_echo_ || !lookup_active_ || lookup_target_ == nullptr) return;
  std::string text = lookup_box_->Text();
  const std::string before = text;
  FireSectionLookup(lookup_target_, text);
  if (text != before) {
    lookup_echo_ = true;
    struct Reset {
      bool& f;
      ~Reset() { f = false; }
    } reset{lookup_echo_};
    lookup_box_->SetText(text);
  }
}

void TCustomElHeader::LookupKey(uint16_t& Key) {
  if (Key == VK_RETURN) {
    Key = 0;
    CloseLookup(true);
  } else if (Key == VK_ESCAPE) {
    Key = 0;
    CloseLookup(false);
  }
}

void TCustomElHeader::CloseLookup(bool Accepted) {
  if (!lookup_active_) return;
  lookup_active_ = false;
  TElHeaderSection* s = lookup_target_;
  lookup_target_ = nullptr;
  const std::string text = lookup_box_ != nullptr ? lookup_box_->Text() : std::string();
  struct Finish {
    TCustomElHeader* h;
    ~Finish() {
      if (h->lookup_box_ != nullptr) h->lookup_box_->Hide();
      try {
        if (h->focus_before_lookup_ != nullptr && h->focus_before_lookup_->CanFocus())
          h->focus_before_lookup_->SetFocus();
      } catch (...) {
        // Giving the focus back is a courtesy; failing is harmless.
      }
      h->focus_before_lookup_ = nullptr;
    }
  } finish{this};
  if (s == nullptr) return;
  FireSectionLookupDone(s, text, Accepted);
  if (Accepted) {
    TStringList* history = s->LookupHistory();
    for (int i = history->Count() - 1; i >= 0; --i)
      if (history->Get(i) == text) history->Delete(i);
    history->Insert(0, text);
  }
}

// ============================================================== loading

void TCustomElHeader::Loaded() {
  TCustomControl::Loaded();
  if (TForm* form = OwnerForm(this)) {
    for (int i = 0; i < sections_->Count(); ++i) {
      TElHeaderSection* s = sections_->ItemByPos(i);
      if (s->PopupMenuName().empty()) continue;
      if (auto* menu = dynamic_cast<TPopupMenu*>(form->FindComponent(s->PopupMenuName())))
        s->SetPopupMenu(menu);
    }
  }
  SetStickySections(sticky_sections_);
  if (right_aligned_order_) ApplyRightAlignedOrder();
}

void TCustomElHeader::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == images_) images_ = nullptr;
  if (AComponent == lookup_box_) lookup_box_ = nullptr;
  if (sections_) {
    for (int i = 0; i < sections_->Count(); ++i) {
      TElHeaderSection* s = sections_->ItemByPos(i);
      if (s->popup_menu_ == AComponent) s->popup_menu_ = nullptr;
    }
  }
}

}  // namespace lumicast
