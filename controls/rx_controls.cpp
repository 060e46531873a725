#include "controls/rx_controls.h"

#include <algorithm>
#include <map>
#include <vector>

#include "controls/effect_controls.h"
#include "imaging/bitmap_utils.h"
#include "platform/classlib/drawing_helpers.h"
#include "platform/classlib/form.h"
#include "platform/classlib/resources.h"

using namespace classlib;

namespace controls {

void InitControlCursors() {
  LoadCursorResource(crRxHand, "RX_HANDCUR");
  LoadCursorResource(crRxDrag, "RX_DRAGCUR");
}

// ---------------------------------------------------------------- glyph cache

namespace {

// The state images of every glyph of one size: slots, which are used, and
// how many images are in use (the list goes when that drops to 0).
struct GlyphList {
  std::vector<std::unique_ptr<TBitmap>> slots;
  std::vector<bool> used;
  int use_count = 0;
};

std::map<std::pair<int, int>, std::unique_ptr<GlyphList>>& Cache() {
  static std::map<std::pair<int, int>, std::unique_ptr<GlyphList>> cache;
  return cache;
}

int CacheAdd(int W, int H, std::unique_ptr<TBitmap> Image) {
  auto& list = Cache()[{W, H}];
  if (!list) list = std::make_unique<GlyphList>();
  auto free_slot = std::find(list->used.begin(), list->used.end(), false);
  size_t i = static_cast<size_t>(free_slot - list->used.begin());
  if (free_slot == list->used.end()) {
    list->slots.emplace_back();
    list->used.push_back(false);
  }
  list->slots[i] = std::move(Image);
  list->used[i] = true;
  ++list->use_count;
  return static_cast<int>(i);
}

TBitmap* CacheGet(int W, int H, int Index) {
  auto it = Cache().find({W, H});
  if (it == Cache().end() || Index < 0 || static_cast<size_t>(Index) >= it->second->slots.size())
    return nullptr;
  return it->second->slots[static_cast<size_t>(Index)].get();
}

void CacheRelease(int W, int H, int Index) {
  auto it = Cache().find({W, H});
  if (it == Cache().end() || Index < 0 || static_cast<size_t>(Index) >= it->second->slots.size())
    return;
  GlyphList& list = *it->second;
  if (!list.used[static_cast<size_t>(Index)]) return;
  list.used[static_cast<size_t>(Index)] = false;
  list.slots[static_cast<size_t>(Index)].reset();
  if (--list.use_count == 0) Cache().erase(it);
}

}  // namespace

int GlyphCacheListCount() { return static_cast<int>(Cache().size()); }

TRxButtonGlyph::TRxButtonGlyph() : glyph_(std::make_unique<TBitmap>()) {}

TRxButtonGlyph::~TRxButtonGlyph() { Invalidate(); }

void TRxButtonGlyph::Invalidate() {
  for (int& i : index_) {
    if (i >= 0) CacheRelease(list_w_, list_h_, i);
    i = -1;
  }
}

void TRxButtonGlyph::SetGlyph(TBitmap* Value) {
  Invalidate();
  if (Value == nullptr)
    glyph_ = std::make_unique<TBitmap>();
  else
    glyph_->Assign(Value);
  transparent_color_ =
      glyph_->Empty() ? TColor(0xFF00FF) : (glyph_->TransparentColor() & ~0x02000000);
  // A strip of square-ish frames: the count follows from the proportions. An
  // empty glyph has none to infer.
  if (!glyph_->Empty() && glyph_->Height() > 0 && glyph_->Width() % glyph_->Height() == 0) {
    const int n = glyph_->Width() / glyph_->Height();
    num_glyphs_ = n > 0 && n < 6 ? n : 1;
  }
}

void TRxButtonGlyph::SetNumGlyphs(int Value) {
  Value = std::clamp(Value, 1, 5);
  if (Value == num_glyphs_) return;
  Invalidate();
  num_glyphs_ = Value;
}

TBitmap* TRxButtonGlyph::StateImage(TRxButtonState State) {
  if (glyph_->Empty()) return nullptr;
  const int w = Width(), h = Height();
  if (w <= 0) return nullptr;
  if (index_[State] >= 0) return CacheGet(list_w_, list_h_, index_[State]);
  list_w_ = w;
  list_h_ = h;
  auto image = std::make_unique<TBitmap>();
  image->SetPixelFormat(pf24bit);
  image->SetSize(w, h);
  auto copy_frame = [&](int frame) {
    image->Canvas()->SetCopyMode(cmSrcCopy);
    image->Canvas()->CopyRect(Rect(0, 0, w, h), glyph_->Canvas(),
                              Rect(frame * w, 0, frame * w + w, h));
  };
  int frame = State;
  if (State == rbsDown && num_glyphs_ < 3) frame = 0;
  if (State == rbsExclusive && num_glyphs_ < 4) frame = num_glyphs_ >= 3 ? 2 : 0;
  if (frame < num_glyphs_ && State != rbsInactive) {
    copy_frame(frame);
  } else if (State == rbsDisabled) {
    TBitmap* up = StateImage(rbsUp);
    std::unique_ptr<TBitmap> grey(lumicast::MakeGrayedBitmap(up, transparent_color_));
    image->Assign(grey.get());
  } else if (State == rbsInactive && frame < num_glyphs_) {
    copy_frame(frame);
  } else {
    // Inactive: the up image in grey, except the key and the face colour.
    copy_frame(0);
    const TColor key = ColorToRGB(transparent_color_), face = ColorToRGB(clBtnFace);
    for (int y = 0; y < h; ++y) {
      uint8_t* row = image->ScanLine(y);
      for (int x = 0; x < w; ++x) {
        uint8_t* p = row + 3 * x;
        const TColor c = RGB(p[2], p[1], p[0]);
        if (c == key || c == face) continue;
        const uint8_t g = static_cast<uint8_t>((77 * p[2] + 150 * p[1] + 29 * p[0]) >> 8);
        p[0] = p[1] = p[2] = g;
      }
    }
    image->Changed(image.get());
  }
  index_[State] = CacheAdd(w, h, std::move(image));
  return CacheGet(w, h, index_[State]);
}

// ---------------------------------------------------------------- speed button

TRxSpeedButton::TRxSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner) {
  // The button raises its click itself, on release inside.
  SetControlStyle((ControlStyle() & ~csClickEvents) | csCaptureMouse | csDoubleClicks);
  SetBounds(Left(), Top(), 25, 25);
  SetShowHint(true);
  SetParentShowHint(false);
}

TRxSpeedButton::~TRxSpeedButton() = default;

void TRxSpeedButton::SetGlyph(TBitmap* Value) {
  glyph_.SetGlyph(Value);
  Invalidate();
}

void TRxSpeedButton::SetNumGlyphs(int Value) {
  glyph_.SetNumGlyphs(Value);
  Invalidate();
}

#define RX_SETTER(Name, field, Type)           \
  void TRxSpeedButton::Set##Name(Type Value) { \
    if (field == Value) return;                \
    field = Value;                             \
    Invalidate();                              \
  }
RX_SETTER(AllowAllUp, allow_all_up_, bool)
RX_SETTER(Flat, flat_, bool)
RX_SETTER(GrayedInactive, grayed_inactive_, bool)
RX_SETTER(Layout, layout_, classlib::TButtonLayout)
RX_SETTER(Margin, margin_, int)
RX_SETTER(Spacing, spacing_, int)
RX_SETTER(MarkDropDown, mark_drop_down_, bool)
RX_SETTER(Style, style_, TButtonStyle)
RX_SETTER(Transparent, transparent_, bool)
RX_SETTER(WordWrap, word_wrap_, bool)
RX_SETTER(Alignment, alignment_, classlib::TAlignment)
#undef RX_SETTER

void TRxSpeedButton::SetAllowTimer(bool Value) {
  allow_timer_ = Value;
  if (!Value && repeat_timer_ != nullptr) {
    delete repeat_timer_;
    repeat_timer_ = nullptr;
  }
}

void TRxSpeedButton::SetGroupIndex(int Value) {
  if (group_index_ == Value) return;
  group_index_ = Value;
  UpdateExclusive();
}

void TRxSpeedButton::UpdateExclusive() {
  if (group_index_ == 0 || !down_ || Parent() == nullptr) return;
  for (int i = 0; i < Parent()->ControlCount(); ++i) {
    auto* b = dynamic_cast<TRxSpeedButton*>(Parent()->Controls(i));
    if (b != nullptr && b != this && b->group_index_ == group_index_ && b->down_) {
      b->down_ = false;
      b->state_ = rbsUp;
      b->Invalidate();
    }
  }
}

void TRxSpeedButton::SetDown(bool Value) {
  if (group_index_ == 0) Value = false;
  if (Value == down_) return;
  if (down_ && !allow_all_up_) return;
  down_ = Value;
  state_ = Value ? rbsExclusive : rbsUp;
  if (Value) UpdateExclusive();
  Invalidate();
}

void TRxSpeedButton::SetDropDownMenu(TPopupMenu* Value) {
  if (menu_ == Value) return;
  if (menu_ != nullptr) menu_->RemoveFreeNotification(this);
  menu_ = Value;
  if (menu_ != nullptr) menu_->FreeNotification(this);
  Invalidate();
}

void TRxSpeedButton::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == menu_) menu_ = nullptr;
}

void TRxSpeedButton::Click() {
  if (TForm* f = ParentForm(); f != nullptr && ModalResult != 0) f->SetModalResult(ModalResult);
  TGraphicControl::Click();
}

void TRxSpeedButton::PopupMenu() {
  TPoint p;
  if (MenuPosition == dmpBottom) {
    int x = 0;
    switch (menu_->Alignment()) {
      case TPopupAlignment::paLeft: x = 0; break;
      case TPopupAlignment::paRight: x = Width() + 1; break;
      case TPopupAlignment::paCenter: x = Width() / 2; break;
    }
    p = ClientToScreen(Point(x, Height()));
  } else {
    p = ClientToScreen(Point(Width(), 0));
  }
  if (TForm* f = ParentForm()) f->Perform(WM_CANCELMODE);
  menu_tracking_ = true;
  menu_->SetPopupComponent(this);
  menu_->Popup(p.X, p.Y);
  // The press that closed the menu must not reach the button as a new click.
  if (Parent() != nullptr) lumicast::DropPendingMessage(Parent(), WM_LBUTTONDOWN);
  dragging_ = false;
  state_ = down_ ? rbsExclusive : rbsUp;
  SetMouseCapture(false);
  Invalidate();
}

void TRxSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (Button != TMouseButton::mbLeft || !Enabled()) return;
  if (!down_) {
    state_ = rbsDown;
    Invalidate();
  }
  dragging_ = true;
  menu_tracking_ = false;
  if (menu_ != nullptr) {
    PopupMenu();
    return;
  }
  if (allow_timer_) {
    if (repeat_timer_ == nullptr) {
      repeat_timer_ = new TTimer(this);
      repeat_timer_->OnTimer = [this](TObject* s) { RepeatTick(s); };
    }
    repeat_timer_->SetEnabled(false);
    repeat_timer_->SetInterval(InitPause);
    repeat_timer_->SetEnabled(true);
  }
}

void TRxSpeedButton::RepeatTick(TObject*) {
  repeat_timer_->SetInterval(RepeatInterval);
  if (state_ == rbsDown && MouseCapture()) Click();
}

void TRxSpeedButton::MouseMove(TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseMove(Shift, X, Y);
  if (!dragging_) return;
  const bool inside = PtInRect(ClientRect(), Point(X, Y));
  TRxButtonState s = inside ? (down_ ? rbsExclusive : rbsDown) : (down_ ? rbsExclusive : rbsUp);
  if (inside && !down_) s = rbsDown;
  if (s != state_) {
    state_ = s;
    Invalidate();
  }
}

void TRxSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseUp(Button, Shift, X, Y);
  if (repeat_timer_ != nullptr) repeat_timer_->SetEnabled(false);
  if (menu_tracking_) {
    // This release ended the menu's press: no click.
    menu_tracking_ = false;
    dragging_ = false;
    return;
  }
  if (!dragging_) return;
  dragging_ = false;
  const bool inside = PtInRect(ClientRect(), Point(X, Y));
  if (group_index_ == 0) {
    state_ = rbsUp;
  } else if (inside) {
    SetDown(!down_);
    state_ = down_ ? rbsExclusive : rbsUp;
  } else {
    state_ = down_ ? rbsExclusive : rbsUp;
  }
  Invalidate();
  if (inside) Click();
}

void TRxSpeedButton::MouseEnter() {
  mouse_inside_ = true;
  if (flat_) Invalidate();
  TGraphicControl::MouseEnter();
}

void TRxSpeedButton::MouseLeave() {
  mouse_inside_ = false;
  if (flat_) Invalidate();
  TGraphicControl::MouseLeave();
}

namespace {

TRect Inset(const TRect& r, int d) {
  return Rect(r.Left + d, r.Top + d, r.Right - d, r.Bottom - d);
}

}  // namespace

void TRxSpeedButton::Paint() {
  if (!Enabled()) {
    state_ = rbsDisabled;
    dragging_ = false;
  } else if (state_ == rbsDisabled) {
    state_ = down_ && group_index_ != 0 ? rbsExclusive : rbsUp;
  }
  TRxButtonState paint_state = state_;
  if (flat_ && !mouse_inside_ && !(ComponentState() & csDesigning) && paint_state == rbsUp)
    paint_state = rbsInactive;

  const int W = Width(), H = Height();
  if (W <= 0 || H <= 0) return;
  TBitmap off;
  off.SetPixelFormat(pf24bit);
  off.SetSize(W, H);
  TCanvas* c = off.Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(Rect(0, 0, W, H));
  if (transparent_) lumicast::PaintParentBackground(this, c);

  const bool pressed = paint_state == rbsDown || paint_state == rbsExclusive;
  const bool new_style = style_ != bsWin31;
  TRect r = Rect(0, 0, W, H);
  const bool inactive_flat = flat_ && paint_state == rbsInactive;
  auto frame = [&](TColor top_left, TColor bottom_right) {
    DrawTwoColourFrame(c, r, top_left, bottom_right, 1);
    r = Inset(r, 1);
  };
  auto outline = [&] {
    c->Brush()->SetColor(clWindowFrame);
    c->FrameRect(r);
    r = Inset(r, 1);
  };
  if (inactive_flat && paint_state != rbsExclusive) {
    r = Inset(r, 2);
  } else if (pressed) {
    if (new_style) {
      frame(clWindowFrame, clBtnHighlight);
      if (!flat_) frame(clBtnShadow, clBtnFace);
    } else if (!flat_) {
      outline();
      c->Pen()->SetColor(clBtnShadow);
      c->MoveTo(r.Left, r.Bottom - 1);
      c->LineTo(r.Left, r.Top);
      c->LineTo(r.Right, r.Top);
      r = Inset(r, 1);
    } else {
      frame(clWindowFrame, clBtnHighlight);
    }
  } else if (new_style) {
    if (!flat_) {
      frame(clBtnHighlight, clWindowFrame);
      frame(clBtnFace, clBtnShadow);
    } else {
      frame(clBtnHighlight, clBtnShadow);
    }
  } else if (!flat_) {
    outline();
    frame(clBtnHighlight, clBtnShadow);
  } else {
    frame(clBtnHighlight, clWindowFrame);
  }
  if (paint_state == rbsExclusive && !transparent_ && (!flat_ || paint_state == rbsInactive)) {
    // A checkered face for a button held down in its group.
    const TColor a = ColorToRGB(clBtnFace), b = ColorToRGB(clBtnHighlight);
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) c->SetPixels(x, y, ((x + y) & 1) ? b : a);
  }
  const int off_xy = pressed ? 1 : 0;

  // Glyph and caption.
  const TRxButtonState image_state =
      paint_state == rbsInactive && !grayed_inactive_ ? rbsUp : paint_state;
  TBitmap* image = glyph_.StateImage(image_state);
  int gw = image ? image->Width() : 0, gh = image ? image->Height() : 0;
  const bool arrow = mark_drop_down_ && menu_ != nullptr;
  c->SetFont(Font());
  std::string caption = Caption();
  const bool across = layout_ == blGlyphLeft || layout_ == blGlyphRight;
  int room = across ? W - gw : H - gh;
  if (margin_ != -1) room -= margin_;
  if (spacing_ != -1) room -= spacing_;
  if (arrow && across) room -= 9;
  room = std::max(room, 0);
  const int text_room = across ? room : W;
  caption = lumicast::ShortenTextToWidth(caption, c, text_room);
  TRect tr = Rect(0, 0, text_room, 0);
  int tw = 0, th = 0;
  if (!caption.empty()) {
    c->DrawText(caption, tr, DT_CALCRECT | (word_wrap_ ? DT_WORDBREAK : DT_SINGLELINE));
    tw = tr.Right - tr.Left;
    th = tr.Bottom - tr.Top;
  }
  if (arrow) {
    if (image == nullptr || layout_ == blGlyphLeft)
      tw += 9;
    else
      gw += 6;
  }
  const int total = across ? W : H;
  const int gl = across ? gw : gh, tl = across ? tw : th;
  int margin = margin_, spacing = (caption.empty() || image == nullptr) ? 0 : spacing_;
  if (margin == -1 && spacing == -1) {
    margin = spacing = std::max(0, (total - gl - tl) / 3);
  } else if (margin == -1) {
    margin = std::max(0, (total - (gl + spacing + tl)) / 2);
  } else if (spacing == -1) {
    spacing = std::max(0, (total - (margin + gl + tl)) / 2);
  }
  TPoint gp, tp;
  switch (layout_) {
    case blGlyphLeft:
      gp = Point(margin, (H - gh) / 2);
      tp = Point(margin + gw + spacing, (H - th) / 2);
      break;
    case blGlyphRight:
      gp = Point(W - margin - gw, (H - gh) / 2);
      tp = Point(W - margin - gw - spacing - tw, (H - th) / 2);
      break;
    case blGlyphTop:
      gp = Point((W - gw) / 2, margin);
      tp = Point((W - tw) / 2, margin + gh + spacing);
      break;
    case blGlyphBottom:
      gp = Point((W - gw) / 2, H - margin - gh);
      tp = Point((W - tw) / 2, H - margin - gh - spacing - th);
      break;
  }
  if (image != nullptr)
    lumicast::BlitBitmapKeyed(c, gp.X + off_xy, gp.Y + off_xy, glyph_.TransparentColor(), image);
  if (!caption.empty()) {
    c->Brush()->SetStyle(bsClear);
    c->Font()->SetColor(paint_state == rbsDisabled ? clGrayText : Font()->Color());
    TRect dr = Rect(tp.X + off_xy, tp.Y + off_xy, tp.X + off_xy + tw, tp.Y + off_xy + th);
    const unsigned align = alignment_ == taLeftJustify   ? DT_LEFT
                           : alignment_ == taRightJustify ? DT_RIGHT
                                                          : DT_CENTER;
    c->DrawText(caption, dr, align | (word_wrap_ ? DT_WORDBREAK : DT_SINGLELINE));
  }
  if (arrow) {
    // A small downward triangle after the caption or glyph.
    const int ax =
        (image == nullptr || layout_ == blGlyphLeft ? tp.X + tw - 7 : gp.X + gw - 5) + off_xy;
    const int ay = H / 2 - 1 + off_xy;
    c->Pen()->SetColor(paint_state == rbsDisabled ? clGrayText : clBtnText);
    for (int i = 0; i < 3; ++i) {
      c->MoveTo(ax + i, ay + i);
      c->LineTo(ax + 5 - i, ay + i);
    }
  }
  Canvas()->Draw(0, 0, &off);
}

// ---------------------------------------------------------------- shadow label

TRxLabel::TRxLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetControlStyle(ControlStyle() | csOpaque | csReplicatable);
  SetBounds(Left(), Top(), 65, 17);
}

void TRxLabel::SetShadowColor(TColor Value) {
  if (shadow_color_ != Value) {
    shadow_color_ = Value;
    Invalidate();
  }
}
void TRxLabel::SetShadowSize(int Value) {
  if (shadow_size_ != Value) {
    shadow_size_ = Value;
    AdjustBounds();
    Invalidate();
  }
}
void TRxLabel::SetShadowPos(TShadowPosition Value) {
  if (shadow_pos_ != Value) {
    shadow_pos_ = Value;
    Invalidate();
  }
}
void TRxLabel::SetTransparent(bool Value) {
  if (transparent_ == Value) return;
  transparent_ = Value;
  if (Value)
    SetControlStyle(ControlStyle() & ~csOpaque);
  else
    SetControlStyle(ControlStyle() | csOpaque);
  Invalidate();
}
void TRxLabel::SetWordWrap(bool Value) {
  if (word_wrap_ != Value) {
    word_wrap_ = Value;
    AdjustBounds();
    Invalidate();
  }
}
void TRxLabel::SetAutoSize(bool Value) {
  if (auto_size_ != Value) {
    auto_size_ = Value;
    AdjustBounds();
  }
}

TPoint TRxLabel::ShadowOffset(int& Size, TShadowPosition& Pos) const {
  Size = shadow_size_;
  Pos = shadow_pos_;
  // A disabled label without a shadow looks etched.
  if (!Enabled() && Size == 0) {
    Size = 1;
    Pos = spRightBottom;
  }
  switch (Pos) {
    case spLeftTop: return Point(-Size, -Size);
    case spLeftBottom: return Point(-Size, Size);
    case spRightBottom: return Point(Size, Size);
    case spRightTop: return Point(Size, -Size);
  }
  return Point(0, 0);
}

unsigned TRxLabel::TextFormat() const {
  unsigned f = Alignment | (word_wrap_ ? DT_WORDBREAK : 0u) | DT_EXPANDTABS;
  if (!ShowAccelChar) f |= DT_NOPREFIX;
  return f;
}

void TRxLabel::DoDrawText(TCanvas* Canvas, TRect& R, unsigned Flags) {
  std::string text = Caption();
  if ((Flags & DT_CALCRECT) && (text.empty() || (ShowAccelChar && text == "&"))) text += " ";
  Canvas->SetFont(Font());
  int size;
  TShadowPosition pos;
  const TPoint d = ShadowOffset(size, pos);
  const TColor text_colour = Enabled() ? Font()->Color() : clGrayText;
  const TColor shadow_colour = Enabled() ? shadow_color_ : clBtnHighlight;
  if (Flags & DT_CALCRECT) {
    TRect a = R;
    Canvas->DrawText(text, a, Flags);
    TRect b = a;
    OffsetRect(b, d.X, d.Y);
    UnionRect(R, a, b);
    return;
  }
  Canvas->Brush()->SetStyle(bsClear);
  if (size != 0 || !Enabled()) {
    TRect s = R;
    OffsetRect(s, d.X, d.Y);
    Canvas->Font()->SetColor(shadow_colour);
    Canvas->DrawText(text, s, Flags);
  }
  Canvas->Font()->SetColor(text_colour);
  Canvas->DrawText(text, R, Flags);
}

void TRxLabel::AdjustBounds() {
  if (!auto_size_) return;
  TBitmap probe;
  probe.SetSize(1, 1);
  TRect r = Rect(0, 0, word_wrap_ ? Width() : 0, 0);
  DoDrawText(probe.Canvas(), r, TextFormat() | DT_CALCRECT);
  const int w = r.Right - r.Left + 2, h = r.Bottom - r.Top;
  // A right-aligned label keeps its right edge.
  const int left = Alignment == DT_RIGHT ? Left() + Width() - w : Left();
  SetBounds(left, Top(), w, h);
}

void TRxLabel::CMTextChanged(TMessage& Message) {
  TGraphicControl::CMTextChanged(Message);
  AdjustBounds();
  Invalidate();
}

void TRxLabel::FontChanged() {
  TGraphicControl::FontChanged();
  AdjustBounds();
}

void TRxLabel::Paint() {
  TCanvas* c = Canvas();
  if (!transparent_) {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(ClientRect());
  }
  TRect r = Rect(1, 0, ClientWidth() - 1, ClientHeight());
  TRect calc = r;
  DoDrawText(c, calc, TextFormat() | DT_CALCRECT);
  const int th = calc.Bottom - calc.Top;
  if (Layout == DT_VCENTER)
    OffsetRect(r, 0, (ClientHeight() - th) / 2);
  else if (Layout == DT_BOTTOM)
    OffsetRect(r, 0, ClientHeight() - th);
  // The shadow sits on the side away from its offset, so both fit.
  int size;
  TShadowPosition pos;
  const TPoint d = ShadowOffset(size, pos);
  OffsetRect(r, std::max(0, -d.X), std::max(0, -d.Y));
  DoDrawText(c, r, TextFormat());
  if (ShowFocus && FocusControl != nullptr && FocusControl->Focused())
    DrawFocusRect(c, ClientRect());
}

}  // namespace controls
