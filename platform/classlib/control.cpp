#include "platform/classlib/control.h"
#include "platform/classlib/control_drag.h"

#include <algorithm>
#include <cstdlib>

#include <QApplication>
#include <QContextMenuEvent>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QTimerEvent>
#include <QWheelEvent>

#include "platform/classlib/canvas.h"
#include "platform/classlib/control_qt.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/form.h"
#include "platform/classlib/menus.h"
#include "platform/classlib/message_queue.h"
#include "platform/classlib/system_move.h"

namespace classlib {

namespace {
TControl* g_capture = nullptr;

bool IsMouseMessage(uint32_t Msg) { return Msg >= WM_MOUSEMOVE && Msg <= WM_MBUTTONDBLCLK; }
}  // namespace

TControl* GetCaptureControl() { return g_capture; }

void EndCaptureWithin(TControl* Control) {
  TControl* holder = g_capture;
  if (holder == nullptr) return;
  const TControl* p = holder;
  while (p != nullptr && p != Control) p = p->Parent();
  if (p == nullptr) return;
  holder->SetMouseCapture(false);
  holder->Perform(WM_CAPTURECHANGED, 0, 0);
}
void SetCaptureControl(TControl* Control) {
  if (Control != nullptr)
    Control->SetMouseCapture(true);
  else if (g_capture != nullptr)
    g_capture->SetMouseCapture(false);
}

// ============================================================== TControl

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), font_(std::make_unique<TFont>()) {
  font_->OnChange = [this](TObject*) {
    if (updating_font_) return;
    parent_font_ = false;
    Perform(CM_FONTCHANGED);
  };
}

TControl::~TControl() {
  if (g_capture == this) g_capture = nullptr;
  font_->OnChange = nullptr;
  if (parent_ != nullptr) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* AParent) {
  if (AParent == parent_) return;
  // Refuse a loop before leaving the old parent, so a refused change keeps it.
  for (const TControl* p = AParent; p != nullptr; p = p->parent_)
    if (p == this) throw EInvalidOperation("A control cannot be its own parent");
  if (parent_ != nullptr) parent_->RemoveControl(this);
  if (AParent != nullptr) {
    AParent->InsertControl(this);
    if (parent_color_) Perform(CM_PARENTCOLORCHANGED);
    if (parent_font_) Perform(CM_PARENTFONTCHANGED);
  }
}

TForm* TControl::ParentForm() const {
  const TControl* c = this;
  while (c->parent_ != nullptr) c = c->parent_;
  return dynamic_cast<TForm*>(const_cast<TControl*>(c));
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  AWidth = std::max(0, AWidth);
  AHeight = std::max(0, AHeight);
  bool moved = ALeft != left_ || ATop != top_;
  bool resized = AWidth != width_ || AHeight != height_;
  if (!moved && !resized) return;
  if (parent_ != nullptr && dynamic_cast<TWinControl*>(this) == nullptr && visible_) Invalidate();
  left_ = ALeft;
  top_ = ATop;
  width_ = AWidth;
  height_ = AHeight;
  BoundsChanged(moved, resized);
  if (parent_ != nullptr && align_ != alNone) RequestAlign();
}

void TControl::BoundsChanged(bool, bool Resized) {
  if (visible_) Invalidate();
  if (Resized) Resize();
}

TRect TControl::ClientRect() const { return Rect(0, 0, width_, height_); }

void TControl::SetClientWidth(int Value) { SetClientSize(Value, ClientHeight()); }
void TControl::SetClientHeight(int Value) { SetClientSize(ClientWidth(), Value); }
void TControl::SetClientSize(int AWidth, int AHeight) {
  TRect r = ClientRect();
  SetBounds(left_, top_, width_ - r.Width() + AWidth, height_ - r.Height() + AHeight);
}

TPoint TControl::ClientOrigin() const {
  if (parent_ == nullptr) return Point(left_, top_);
  TPoint p = parent_->ClientOrigin();
  return Point(p.X + left_, p.Y + top_);
}

TPoint TControl::ClientToScreen(const TPoint& P) const {
  TPoint o = ClientOrigin();
  return Point(P.X + o.X, P.Y + o.Y);
}

TPoint TControl::ScreenToClient(const TPoint& P) const {
  TPoint o = ClientOrigin();
  return Point(P.X - o.X, P.Y - o.Y);
}

void TControl::SetAlign(TAlign Value) {
  if (Value == align_) return;
  align_ = Value;
  if (Value != alNone) anchors_ = akLeft | akTop;
  RequestAlign();
}

void TControl::RequestAlign() {
  if (parent_ != nullptr) parent_->AlignControl(this);
}

void TControl::SetVisible(bool Value) {
  if (Value == visible_) return;
  if (!Value && parent_ != nullptr) Invalidate();
  visible_ = Value;
  VisibleChanged();
  Perform(CM_VISIBLECHANGED, Value ? 1 : 0);
  RequestAlign();
}

void TControl::VisibleChanged() {
  if (visible_)
    Invalidate();
  else
    EndCaptureWithin(this);
  if (!visible_ && parent_ != nullptr && parent_->mouse_control_ == this)
    parent_->TrackMouseControl(nullptr);
}

bool TControl::Showing() const { return visible_ && parent_ != nullptr && parent_->Showing(); }

void TControl::SetEnabled(bool Value) {
  if (Value == enabled_) return;
  enabled_ = Value;
  Perform(CM_ENABLEDCHANGED);
}

void TControl::SetText(const std::string& Value) {
  if (Value == GetText()) return;
  StoreText(Value);
  Perform(CM_TEXTCHANGED);
}

void TControl::SetColor(TColor Value) {
  if (Value == color_) return;
  color_ = Value;
  parent_color_ = false;
  Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool Value) {
  if (Value == parent_color_) return;
  parent_color_ = Value;
  if (Value && parent_ != nullptr) Perform(CM_PARENTCOLORCHANGED);
}

void TControl::SetFont(TFont* Value) {
  if (Value != nullptr) font_->Assign(Value);
}

void TControl::SetParentFont(bool Value) {
  if (Value == parent_font_) return;
  parent_font_ = Value;
  if (Value && parent_ != nullptr) Perform(CM_PARENTFONTCHANGED);
}

void TControl::SetCursor(TCursor Value) {
  if (Value == cursor_) return;
  cursor_ = Value;
  Perform(CM_CURSORCHANGED);
}

void TControl::SetShowHint(bool Value) {
  show_hint_ = Value;
  parent_show_hint_ = false;
}

void TControl::SetParentShowHint(bool Value) { parent_show_hint_ = Value; }

bool TControl::ShowHint() const {
  if (parent_show_hint_ && parent_ != nullptr) return parent_->ShowHint();
  return show_hint_;
}

void TControl::SetPopupMenu(TPopupMenu* Value) {
  if (popup_menu_ != nullptr) popup_menu_->RemoveFreeNotification(this);
  popup_menu_ = Value;
  if (Value != nullptr) Value->FreeNotification(this);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == popup_menu_) popup_menu_ = nullptr;
}

bool TControl::MouseCapture() const { return g_capture == this; }

void TControl::SetMouseCapture(bool Value) {
  if (Value) {
    TControl* previous = g_capture;
    if (previous != nullptr && previous != this) previous->SetMouseCapture(false);
    g_capture = this;
    if (parent_ != nullptr && dynamic_cast<TWinControl*>(this) == nullptr)
      parent_->capture_control_ = this;
    // The control that had the capture learns that another one took it.
    if (previous != nullptr && previous != this)
      previous->Perform(WM_CAPTURECHANGED, 0, reinterpret_cast<intptr_t>(this));
  } else if (g_capture == this) {
    g_capture = nullptr;
    if (parent_ != nullptr && parent_->capture_control_ == this)
      parent_->capture_control_ = nullptr;
  }
}

void TControl::Invalidate() {
  if (parent_ == nullptr || !visible_) return;
  QWidget* w =
      parent_->impl()->client ? parent_->impl()->client.data() : parent_->impl()->widget.data();
  if (w != nullptr) w->update(left_, top_, width_, height_);
}

void TControl::Update() {
  if (parent_ != nullptr) parent_->Update();
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

void TControl::BringToFront() {
  if (parent_ == nullptr) return;
  auto& list = parent_->controls_;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  list.push_back(this);
  if (auto* wc = dynamic_cast<TWinControl*>(this); wc != nullptr && wc->impl()->widget)
    wc->impl()->widget->raise();
  Invalidate();
}

void TControl::SendToBack() {
  if (parent_ == nullptr) return;
  auto& list = parent_->controls_;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  list.insert(list.begin(), this);
  if (auto* wc = dynamic_cast<TWinControl*>(this); wc != nullptr && wc->impl()->widget)
    wc->impl()->widget->lower();
  Invalidate();
}

intptr_t TControl::Perform(uint32_t Msg, uintptr_t WParam, intptr_t LParam) {
  TMessage m;
  m.Msg = Msg;
  m.WParam = WParam;
  m.LParam = LParam;
  WndProc(m);
  return m.Result;
}

void TControl::WndProc(TMessage& Message) {
  // While a drag runs its source's pointer and Escape drive the drag.
  if (DragFilter(this, Message)) return;
  Dispatch(Message);
}

void TControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_MOUSEMOVE: WMMouseMove(Message); break;
    case WM_LBUTTONDOWN: WMLButtonDown(Message); break;
    case WM_LBUTTONUP: WMLButtonUp(Message); break;
    case WM_LBUTTONDBLCLK: WMLButtonDblClk(Message); break;
    case WM_RBUTTONDOWN: WMRButtonDown(Message); break;
    case WM_RBUTTONUP: WMRButtonUp(Message); break;
    case WM_RBUTTONDBLCLK: WMRButtonDblClk(Message); break;
    case WM_MBUTTONDOWN: WMMButtonDown(Message); break;
    case WM_MBUTTONUP: WMMButtonUp(Message); break;
    case WM_MBUTTONDBLCLK: WMMButtonDblClk(Message); break;
    case WM_MOUSEWHEEL: WMMouseWheel(Message); break;
    case WM_CONTEXTMENU: WMContextMenu(Message); break;
    case WM_CANCELMODE: WMCancelMode(Message); break;
    case CM_MOUSEENTER: CMMouseEnter(Message); break;
    case CM_MOUSELEAVE: CMMouseLeave(Message); break;
    case CM_HITTEST: CMHitTest(Message); break;
    case CM_ENABLEDCHANGED: CMEnabledChanged(Message); break;
    case CM_VISIBLECHANGED: CMVisibleChanged(Message); break;
    case CM_TEXTCHANGED: CMTextChanged(Message); break;
    case CM_FONTCHANGED: CMFontChanged(Message); break;
    case CM_COLORCHANGED: CMColorChanged(Message); break;
    case CM_PARENTFONTCHANGED: CMParentFontChanged(Message); break;
    case CM_PARENTCOLORCHANGED: CMParentColorChanged(Message); break;
    case CM_CURSORCHANGED: CMCursorChanged(Message); break;
    default: DefaultHandler(Message); break;
  }
}

void TControl::DefaultHandler(TMessage&) {}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::MouseEnter() {
  if (OnMouseEnter) OnMouseEnter(this);
}

void TControl::MouseLeave() {
  if (OnMouseLeave) OnMouseLeave(this);
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

void TControl::FontChanged() { Invalidate(); }
void TControl::ColorChanged() { Invalidate(); }

void TControl::DoMouseDown(TMessage& Message, TMouseButton Button, TShiftState Extra) {
  if ((control_style_ & csCaptureMouse) != 0 && Button == TMouseButton::mbLeft)
    SetMouseCapture(true);
  if ((control_style_ & csClickEvents) != 0 && Button == TMouseButton::mbLeft)
    control_state_ |= csClicked;
  if ((control_style_ & csNoStdEvents) == 0)
    MouseDown(Button, KeysToShiftState(Message.Keys()) | Extra, Message.XPos(), Message.YPos());
}

void TControl::DoMouseUp(TMessage& Message, TMouseButton Button) {
  bool clicked = Button == TMouseButton::mbLeft && (control_state_ & csClicked) != 0;
  if (Button == TMouseButton::mbLeft) {
    control_state_ &= ~static_cast<TControlState>(csClicked);
    SetMouseCapture(false);
  }
  if (clicked && PtInRect(ClientRect(), Point(Message.XPos(), Message.YPos()))) Click();
  if ((control_style_ & csNoStdEvents) == 0)
    MouseUp(Button, KeysToShiftState(Message.Keys()), Message.XPos(), Message.YPos());
}

void TControl::WMMouseMove(TMessage& Message) {
  if ((control_style_ & csNoStdEvents) == 0)
    MouseMove(KeysToShiftState(Message.Keys()), Message.XPos(), Message.YPos());
  DefaultHandler(Message);
}

void TControl::WMLButtonDown(TMessage& Message) {
  // An automatic drag starts with the press; the drag then takes the
  // pointer's moves and the release.
  if (drag_mode_ == dmAutomatic && drag_kind_ == dkDrag && enabled_ && !Dragging()) {
    auto object = std::make_unique<TDragObject>(this);
    object->DragCursor = drag_cursor_;
    BeginDrag(this, std::move(object), nullptr);
    return;
  }
  DoMouseDown(Message, TMouseButton::mbLeft, 0);
  DefaultHandler(Message);
}

void TControl::WMLButtonUp(TMessage& Message) {
  DoMouseUp(Message, TMouseButton::mbLeft);
  DefaultHandler(Message);
}

void TControl::WMLButtonDblClk(TMessage& Message) {
  if ((control_style_ & csDoubleClicks) != 0) DblClick();
  DoMouseDown(Message, TMouseButton::mbLeft, ssDouble);
  DefaultHandler(Message);
}

void TControl::WMRButtonDown(TMessage& Message) {
  DoMouseDown(Message, TMouseButton::mbRight, 0);
  DefaultHandler(Message);
}

void TControl::WMRButtonUp(TMessage& Message) {
  DoMouseUp(Message, TMouseButton::mbRight);
  DefaultHandler(Message);
  // A control with an automatic popup menu shows it where the button went up.
  if (popup_menu_ != nullptr && popup_menu_->AutoPopup()) {
    TPoint p = ClientToScreen(Point(Message.XPos(), Message.YPos()));
    popup_menu_->SetPopupComponent(this);
    popup_menu_->Popup(p.X, p.Y);
  }
}

void TControl::WMRButtonDblClk(TMessage& Message) {
  DoMouseDown(Message, TMouseButton::mbRight, ssDouble);
  DefaultHandler(Message);
}

void TControl::WMMButtonDown(TMessage& Message) {
  DoMouseDown(Message, TMouseButton::mbMiddle, 0);
  DefaultHandler(Message);
}

void TControl::WMMButtonUp(TMessage& Message) {
  DoMouseUp(Message, TMouseButton::mbMiddle);
  DefaultHandler(Message);
}

void TControl::WMMButtonDblClk(TMessage& Message) {
  DoMouseDown(Message, TMouseButton::mbMiddle, ssDouble);
  DefaultHandler(Message);
}

void TControl::WMMouseWheel(TMessage& Message) {
  bool handled = false;
  if (OnMouseWheel) {
    OnMouseWheel(this, KeysToShiftState(Message.Keys()), Message.WheelDelta(),
                 Point(Message.XPos(), Message.YPos()), handled);
  }
  if (handled)
    Message.Result = 1;
  else
    DefaultHandler(Message);
}

void TControl::WMContextMenu(TMessage& Message) { DefaultHandler(Message); }

void TControl::WMCancelMode(TMessage& Message) {
  SetMouseCapture(false);
  control_state_ &= ~static_cast<TControlState>(csClicked);
  DefaultHandler(Message);
}

void TControl::CMMouseEnter(TMessage& Message) {
  MouseEnter();
  DefaultHandler(Message);
}

void TControl::CMMouseLeave(TMessage& Message) {
  MouseLeave();
  DefaultHandler(Message);
}

void TControl::CMHitTest(TMessage& Message) { Message.Result = HTCLIENT; }

void TControl::CMEnabledChanged(TMessage&) { Invalidate(); }

void TControl::CMVisibleChanged(TMessage&) {}

void TControl::CMTextChanged(TMessage&) { Invalidate(); }

void TControl::CMFontChanged(TMessage&) { FontChanged(); }

void TControl::CMColorChanged(TMessage&) { ColorChanged(); }

void TControl::CMParentFontChanged(TMessage&) {
  if (!parent_font_ || parent_ == nullptr) return;
  updating_font_ = true;
  font_->Assign(parent_->Font());
  updating_font_ = false;
  Perform(CM_FONTCHANGED);
}

void TControl::CMParentColorChanged(TMessage&) {
  if (!parent_color_ || parent_ == nullptr) return;
  color_ = parent_->Color();
  Perform(CM_COLORCHANGED);
}

void TControl::CMCursorChanged(TMessage&) {
  if (parent_ != nullptr && parent_->mouse_control_ == this && parent_->impl()->widget)
    NativeChildContainer(parent_)->setCursor(QCursorFor(cursor_));
}

// ============================================================== TGraphicControl

TGraphicControl::TGraphicControl(TComponent* AOwner)
    : TControl(AOwner), canvas_(std::make_unique<TCanvas>()) {
  SetColor(clBtnFace);
  SetParentColor(true);
}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::Paint() {}

void TGraphicControl::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_PAINT)
    WMPaint(Message);
  else
    TControl::Dispatch(Message);
}

// WParam is the parent's canvas, already set up with this control's origin
// and clip; this control draws on its own canvas over the same pixels.
void TGraphicControl::WMPaint(TMessage& Message) {
  auto* target = reinterpret_cast<TCanvas*>(Message.WParam);
  if (target == nullptr) {
    Invalidate();
    return;
  }
  TPixelSurface surface;
  if (!target->GetSurface(surface)) return;
  canvas_->AttachSurface(surface);
  canvas_->SetOrigin(target->Origin());
  TRegion clip = target->ClipRegion();
  if (target->HasClipRegion()) {
    // Both canvases use logical coordinates relative to the same origin.
    canvas_->SetClipRegion(&clip);
  } else {
    canvas_->SetClipRegion(nullptr);
  }
  canvas_->IntersectClipRect(ClientRect());
  canvas_->Font()->Assign(Font());
  canvas_->Brush()->SetColor(Color());
  canvas_->Pen()->SetColor(clBlack);
  canvas_->Pen()->SetMode(pmCopy);
  canvas_->Pen()->SetStyle(psSolid);
  canvas_->Pen()->SetWidth(1);
  canvas_->SetCopyMode(cmSrcCopy);
  struct Detach {
    TCanvas* c;
    ~Detach() { c->DetachSurface(); }
  } detach{canvas_.get()};
  Paint();
}

// ============================================================== TWinControl

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner), impl_(std::make_unique<Impl>()) {
  control_style_ |= csSelfPaint;
  color_ = clBtnFace;
}

TWinControl::~TWinControl() {
  DiscardPostedMessages(this);
  // Child controls go with their parent (each removes itself from the list).
  while (!controls_.empty()) delete controls_.back();
  if (impl_->bridge != nullptr) impl_->bridge->control = nullptr;
  if (impl_->widget && QCoreApplication::instance() != nullptr) {
    QWidget* w = impl_->widget.data();
    impl_->widget.clear();
    w->hide();
    if (current_dispatch != nullptr) {
      // Destroyed from inside one of its own messages: the window is still
      // handling that event, so it goes once the event is over.
      w->setParent(nullptr);
      w->deleteLater();
    } else {
      delete w;
    }
  }
}

TControl* TWinControl::Controls(int Index) const {
  if (Index < 0 || Index >= ControlCount())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return controls_[static_cast<size_t>(Index)];
}

void TWinControl::InsertControl(TControl* AControl) {
  if (AControl == nullptr || AControl->parent_ == this) return;
  for (const TControl* p = this; p != nullptr; p = p->parent_)
    if (p == AControl) throw EInvalidOperation("A control cannot be its own parent");
  controls_.push_back(AControl);
  AControl->parent_ = this;
  if (auto* wc = dynamic_cast<TWinControl*>(AControl)) {
    if (impl_->widget || wc->impl_->widget) {
      QWidget* container = NativeChildContainer(this);
      QWidget* w = NativeWidget(wc);
      w->setParent(container);
      w->setGeometry(wc->left_, wc->top_, wc->width_, wc->height_);
      w->setVisible(wc->visible_);
    }
  }
  if (AControl->align_ != alNone) AlignControl(AControl);
  AControl->Invalidate();
}

void TWinControl::RemoveControl(TControl* AControl) {
  auto it = std::find(controls_.begin(), controls_.end(), AControl);
  if (it == controls_.end()) return;
  AControl->Invalidate();
  controls_.erase(it);
  if (capture_control_ == AControl) capture_control_ = nullptr;
  if (mouse_control_ == AControl) mouse_control_ = nullptr;
  AControl->parent_ = nullptr;
  if (auto* wc = dynamic_cast<TWinControl*>(AControl); wc != nullptr && wc->impl_->widget) {
    wc->impl_->widget->hide();
    wc->impl_->widget->setParent(nullptr);
  }
  Realign();
}

bool TWinControl::ContainsControl(const TControl* AControl) const {
  for (const TControl* p = AControl; p != nullptr; p = p->parent_)
    if (p == this) return true;
  return false;
}

TControl* TWinControl::ControlAtPos(const TPoint& Pos, bool AllowDisabled,
                                    bool AllowWinControls) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* c = *it;
    bool windowed = dynamic_cast<TWinControl*>(c) != nullptr;
    if (windowed && !AllowWinControls) continue;
    if (!c->visible_ || (!c->enabled_ && !AllowDisabled)) continue;
    if (!PtInRect(c->BoundsRect(), Pos)) continue;
    if (c->Perform(CM_HITTEST, 0, MakeLParam(Pos.X - c->left_, Pos.Y - c->top_)) != 0) return c;
  }
  return nullptr;
}

void TWinControl::EnableAlign() {
  if (align_disabled_ > 0) --align_disabled_;
  if (align_disabled_ == 0) Realign();
}

void TWinControl::AdjustClientRect(TRect&) const {}

void TWinControl::AlignControl(TControl* AControl) {
  if (align_disabled_ > 0) return;
  ++align_disabled_;
  TRect r = ClientRect();
  AdjustClientRect(r);
  try {
    AlignControls(AControl, r);
  } catch (...) {
    --align_disabled_;
    throw;
  }
  --align_disabled_;
}

// Classic layout: top, bottom, left, right, then client controls, each taking
// its strip off the remaining rectangle; within one kind, controls are taken
// in the order of their position (ties keep z-order).
void TWinControl::AlignControls(TControl* AControl, TRect& Rect) {
  static const TAlign order[] = {alTop, alBottom, alLeft, alRight, alClient};
  for (TAlign a : order) {
    std::vector<TControl*> list;
    for (TControl* c : controls_)
      if (c->align_ == a && c->visible_) list.push_back(c);
    auto key = [a](TControl* c) {
      switch (a) {
        case alTop: return c->top_;
        case alBottom: return -(c->top_ + c->height_);
        case alLeft: return c->left_;
        case alRight: return -(c->left_ + c->width_);
        default: return 0;
      }
    };
    std::stable_sort(list.begin(), list.end(), [&](TControl* x, TControl* y) {
      int kx = key(x), ky = key(y);
      return kx < ky || (kx == ky && x == AControl && y != AControl);
    });
    for (TControl* c : list) {
      int w = std::max(0, Rect.Width()), h = std::max(0, Rect.Height());
      switch (a) {
        case alTop:
          c->SetBounds(Rect.Left, Rect.Top, w, c->height_);
          Rect.Top += c->height_;
          break;
        case alBottom:
          c->SetBounds(Rect.Left, Rect.Bottom - c->height_, w, c->height_);
          Rect.Bottom -= c->height_;
          break;
        case alLeft:
          c->SetBounds(Rect.Left, Rect.Top, c->width_, h);
          Rect.Left += c->width_;
          break;
        case alRight:
          c->SetBounds(Rect.Right - c->width_, Rect.Top, c->width_, h);
          Rect.Right -= c->width_;
          break;
        case alClient: c->SetBounds(Rect.Left, Rect.Top, w, h); break;
        default: break;
      }
    }
  }
}

// Anchored (not aligned) children follow the parent's right and bottom edges.
void TWinControl::ParentResized(int dw, int dh) {
  if (dw == 0 && dh == 0) return;
  for (TControl* c : controls_) {
    if (c->align_ != alNone) continue;
    int l = c->left_, t = c->top_, w = c->width_, h = c->height_;
    if (c->anchors_ & akRight) {
      if (c->anchors_ & akLeft)
        w += dw;
      else
        l += dw;
    }
    if (c->anchors_ & akBottom) {
      if (c->anchors_ & akTop)
        h += dh;
      else
        t += dh;
    }
    c->SetBounds(l, t, w, h);
  }
}

void TWinControl::SetTabStop(bool Value) {
  tab_stop_ = Value;
  if (impl_->widget) impl_->widget->setFocusPolicy(Value ? Qt::StrongFocus : Qt::ClickFocus);
}

bool TWinControl::CanFocus() const {
  for (const TControl* c = this; c != nullptr; c = c->parent_)
    if (!c->visible_ || !c->enabled_) return false;
  return ParentForm() != nullptr;
}

void TWinControl::SetFocus() {
  if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  NativeWidget(this)->setFocus(Qt::OtherFocusReason);
}

bool TWinControl::Focused() const { return impl_->widget && impl_->widget->hasFocus(); }

bool TWinControl::HandleAllocated() const { return !impl_->widget.isNull(); }

void TWinControl::HandleNeeded() {
  if (impl_->widget) return;
  if (impl_->creating) throw EInvalidOperation("Control '" + Name() + "' is creating its window");
  impl_->creating = true;
  impl_->created = nullptr;
  try {
    CreateWnd();
  } catch (...) {
    impl_->creating = false;
    delete impl_->created;
    impl_->created = nullptr;
    throw;
  }
  impl_->creating = false;
  QWidget* w = impl_->created;
  impl_->created = nullptr;
  if (w == nullptr) throw EInvalidOperation("Control '" + Name() + "' made no window");
  impl_->widget = w;
  impl_->bridge = new TEventBridge(this, w);
  w->installEventFilter(impl_->bridge);
  w->setMouseTracking(true);
  w->setFocusPolicy(tab_stop_ ? Qt::StrongFocus : Qt::ClickFocus);
  if (parent_ != nullptr) {
    w->setParent(NativeChildContainer(parent_));
    w->setGeometry(left_, top_, width_, height_);
    w->setVisible(visible_);
  } else {
    w->setGeometry(left_, top_, width_, height_);
  }
  w->setEnabled(enabled_);
  w->setFont(QFontFor(Font()));
  if (cursor_ != crDefault) w->setCursor(QCursorFor(cursor_));
  // Children whose windows were made before this one move into it; those that have none yet
  // (put into this control before it had a window) get theirs now, inside it.
  for (TControl* c : std::vector<TControl*>(controls_)) {
    auto* wc = dynamic_cast<TWinControl*>(c);
    if (wc == nullptr) continue;
    if (!wc->impl_->widget) {
      wc->HandleNeeded();
      continue;
    }
    wc->impl_->widget->setParent(NativeChildContainer(this));
    wc->impl_->widget->setGeometry(wc->left_, wc->top_, wc->width_, wc->height_);
    wc->impl_->widget->setVisible(wc->visible_);
  }
  WidgetCreated();
}

void TWinControl::CreateWnd() {
  auto* w = new QWidget();
  // The layer paints every pixel from its off-screen image.
  w->setAttribute(Qt::WA_OpaquePaintEvent);
  w->setAttribute(Qt::WA_NoSystemBackground);
  AdoptWidget(this, w);
}

void TWinControl::WidgetCreated() {}

QWidget* NativeWidget(TWinControl* Control) {
  Control->HandleNeeded();
  return Control->impl()->widget.data();
}

QWidget* NativeChildContainer(TWinControl* Control) {
  Control->HandleNeeded();
  TWinControl::Impl* impl = Control->impl();
  return impl->client ? impl->client.data() : impl->widget.data();
}

void AdoptWidget(TWinControl* Control, QWidget* Widget) { Control->impl()->created = Widget; }

bool TWinControl::Showing() const {
  if (!visible_) return false;
  if (parent_ != nullptr) return parent_->Showing();
  return impl_->widget && impl_->widget->isVisible();
}

TPoint TWinControl::ClientOrigin() const {
  if (impl_->widget && impl_->widget->isVisible()) {
    QWidget* c = impl_->client ? impl_->client.data() : impl_->widget.data();
    QPoint p = c->mapToGlobal(QPoint(0, 0));
    return Point(p.x(), p.y());
  }
  return TControl::ClientOrigin();
}

void TWinControl::Invalidate() {
  if (impl_->widget) impl_->widget->update();
  if (impl_->client) impl_->client->update();
}

void TWinControl::Update() {
  if (impl_->widget && impl_->widget->isVisible()) impl_->widget->repaint();
}

void TWinControl::BoundsChanged(bool Moved, bool Resized) {
  if (impl_->widget && impl_->widget->geometry() != QRect(left_, top_, width_, height_)) {
    if (parent_ == nullptr && impl_->widget->isWindow()) {
      if (Moved) impl_->widget->move(left_, top_);
      if (Resized) impl_->widget->resize(width_, height_);
    } else {
      impl_->widget->setGeometry(left_, top_, width_, height_);
    }
  }
  if (Resized) {
    TRect c = ClientRect();
    Perform(WM_SIZE, 0, MakeLParam(c.Width(), c.Height()));
  }
}

void TWinControl::VisibleChanged() {
  TControl::VisibleChanged();
  if (impl_->widget && (parent_ != nullptr || !visible_)) impl_->widget->setVisible(visible_);
}

void TWinControl::StoreText(const std::string& Value) {
  TControl::StoreText(Value);
  if (impl_->widget && impl_->widget->isWindow()) impl_->widget->setWindowTitle(QStr(Value));
}

void TWinControl::FontChanged() {
  if (impl_->widget) impl_->widget->setFont(QFontFor(Font()));
  for (TControl* c : std::vector<TControl*>(controls_)) c->Perform(CM_PARENTFONTCHANGED);
  Invalidate();
}

void TWinControl::ColorChanged() {
  for (TControl* c : std::vector<TControl*>(controls_)) c->Perform(CM_PARENTCOLORCHANGED);
  Invalidate();
}

void TWinControl::SetCursor(TCursor Value) {
  TControl::SetCursor(Value);
  if (impl_->widget) {
    if (Value == crDefault)
      impl_->widget->unsetCursor();
    else
      impl_->widget->setCursor(QCursorFor(Value));
  }
}

void TWinControl::SetTimer(uint32_t ID, uint32_t Interval) {
  KillTimer(ID);
  QWidget* w = NativeWidget(this);
  int qt_id = w->startTimer(
      static_cast<int>(std::max<uint32_t>(1, std::min<uint32_t>(Interval, 0x7FFFFFFF))),
      Qt::PreciseTimer);
  if (qt_id == 0) throw EOSError("Not enough timers available");
  impl_->qt_timers[ID] = qt_id;
  impl_->timer_ids[qt_id] = ID;
}

void TWinControl::KillTimer(uint32_t ID) {
  auto it = impl_->qt_timers.find(ID);
  if (it == impl_->qt_timers.end()) return;
  if (impl_->widget) impl_->widget->killTimer(it->second);
  impl_->timer_ids.erase(it->second);
  impl_->qt_timers.erase(it);
}

void TWinControl::WndProc(TMessage& Message) {
  if (IsMouseMessage(Message.Msg) && RouteMouseToChild(Message)) return;
  TControl::WndProc(Message);
}

bool TWinControl::RouteMouseToChild(TMessage& Message) {
  TPoint p = Point(Message.XPos(), Message.YPos());
  TControl* target = nullptr;
  if (capture_control_ != nullptr && capture_control_->parent_ == this)
    target = capture_control_;
  else
    target = ControlAtPos(p);
  if (Message.Msg == WM_MOUSEMOVE && capture_control_ == nullptr) TrackMouseControl(target);
  if (target == nullptr) return false;
  TMessage m = Message;
  m.LParam = MakeLParam(p.X - target->left_, p.Y - target->top_);
  target->WndProc(m);
  Message.Result = m.Result;
  return true;
}

// The graphic child under the pointer changed: it gets CM_MOUSELEAVE, the new
// one CM_MOUSEENTER, and the window shows the new one's cursor.
void TWinControl::TrackMouseControl(TControl* Target) {
  if (Target == mouse_control_) return;
  TControl* old = mouse_control_;
  mouse_control_ = Target;
  if (old != nullptr) old->Perform(CM_MOUSELEAVE);
  if (mouse_control_ != nullptr && mouse_control_ == Target) Target->Perform(CM_MOUSEENTER);
  if (impl_->widget) {
    TCursor c = mouse_control_ != nullptr ? mouse_control_->Cursor() : Cursor();
    QWidget* w = NativeChildContainer(this);
    if (c == crDefault)
      w->unsetCursor();
    else
      w->setCursor(QCursorFor(c));
  }
}

namespace {

// An access key goes to every visible, enabled child (and theirs) until one
// takes it.
void PassToChildren(TWinControl* Control, TMessage& Message) {
  for (int i = 0; i < Control->ControlCount(); ++i) {
    TControl* c = Control->Controls(i);
    if (!c->Visible() || !c->Enabled()) continue;
    TMessage m = Message;
    c->WndProc(m);
    if (m.Result != 0) {
      Message.Result = m.Result;
      return;
    }
  }
}

}  // namespace

void TWinControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_PAINT: WMPaint(Message); break;
    case WM_ERASEBKGND: WMEraseBkgnd(Message); break;
    case WM_SIZE: WMSize(Message); break;
    case WM_TIMER: WMTimer(Message); break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: WMKeyDown(Message); break;
    case WM_KEYUP:
    case WM_SYSKEYUP: WMKeyUp(Message); break;
    case WM_CHAR: WMChar(Message); break;
    case WM_SETFOCUS: WMSetFocus(Message); break;
    case WM_KILLFOCUS: WMKillFocus(Message); break;
    case WM_SETCURSOR: WMSetCursor(Message); break;
    case WM_CLOSE: WMClose(Message); break;
    case WM_HSCROLL: WMHScroll(Message); break;
    case WM_VSCROLL: WMVScroll(Message); break;
    case CM_DIALOGKEY: CMDialogKey(Message); break;
    case CM_DIALOGCHAR: PassToChildren(this, Message); break;
    case WM_GETDLGCODE: Message.Result = DialogCode(); break;
    case WM_SYSCOMMAND:
      if (!HandleSystemCommand(this, Message)) DefaultHandler(Message);
      break;
    default: TControl::Dispatch(Message); break;
  }
}

void TWinControl::DefaultHandler(TMessage&) {
  if (current_dispatch != nullptr) current_dispatch->default_reached = true;
}

void TWinControl::WMPaint(TMessage& Message) {
  if ((control_style_ & csSelfPaint) == 0) {
    DefaultHandler(Message);
    return;
  }
  if (auto* given = reinterpret_cast<TCanvas*>(Message.WParam)) {
    PaintWindow(given);
    return;
  }
  if (!impl_->in_paint_event) {
    // Asked to paint outside a paint event: paint at the next one.
    Invalidate();
    return;
  }
  QWidget* w = impl_->PaintTarget();
  QImage image(std::max(1, w->width()), std::max(1, w->height()), QImage::Format_RGB32);
  {
    TCanvas canvas;
    AttachCanvas(canvas, image);
    PaintWindow(&canvas);
    canvas.DetachSurface();
  }
  QPainter painter(w);
  painter.drawImage(0, 0, image);
}

void TWinControl::WMEraseBkgnd(TMessage& Message) {
  auto* canvas = reinterpret_cast<TCanvas*>(Message.WParam);
  if (canvas != nullptr && (control_style_ & csOpaque) == 0) {
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(Rect(0, 0, width_, height_));
  }
  Message.Result = 1;
}

void TWinControl::PaintWindow(TCanvas* Canvas) {
  Perform(WM_ERASEBKGND, reinterpret_cast<uintptr_t>(Canvas));
  PaintControls(Canvas, 0, 0);
}

// Paints the visible graphic children in z-order, each with the canvas's
// origin moved to its top-left corner and drawing clipped to its bounds.
void TWinControl::PaintControls(TCanvas* Canvas, int OffsetX, int OffsetY) {
  TPixelSurface surface;
  if (!Canvas->GetSurface(surface)) return;
  TPoint origin = Canvas->Origin();
  for (TControl* c : std::vector<TControl*>(controls_)) {
    if (dynamic_cast<TWinControl*>(c) != nullptr || !c->visible_) continue;
    if (std::find(controls_.begin(), controls_.end(), c) == controls_.end()) continue;
    TCanvas child;
    child.AttachSurface(surface);
    TPoint o = Point(origin.X + OffsetX + c->left_, origin.Y + OffsetY + c->top_);
    child.SetOrigin(o);
    if (Canvas->HasClipRegion()) {
      TRegion r = Canvas->ClipRegion();
      OffsetRgn(r, -(OffsetX + c->left_), -(OffsetY + c->top_));
      child.SetClipRegion(&r);
    }
    child.IntersectClipRect(c->ClientRect());
    c->Perform(WM_PAINT, reinterpret_cast<uintptr_t>(&child));
    child.DetachSurface();
  }
}

void TWinControl::PaintTo(TCanvas* Canvas, int X, int Y) {
  if (Canvas == nullptr || width_ <= 0 || height_ <= 0) return;
  QImage image(width_, height_, QImage::Format_RGB32);
  image.fill(Qt::black);
  if ((control_style_ & csSelfPaint) != 0) {
    TCanvas canvas;
    AttachCanvas(canvas, image);
    canvas.SetClipRegion(nullptr);
    Perform(WM_PAINT, reinterpret_cast<uintptr_t>(&canvas));
    canvas.DetachSurface();
  } else {
    // A native control with its own inner windows (an edit inside a spin
    // box) renders them too. One that does not fill its background (a check
    // box, a radio button) shows what lies beneath it, as on the screen.
    QWidget* widget = NativeWidget(this);
    QWidget::RenderFlags flags = QWidget::DrawChildren;
    if (widget->autoFillBackground() || widget->isWindow()) {
      flags |= QWidget::DrawWindowBackground;
    } else {
      TCanvas beneath;
      AttachCanvas(beneath, image);
      beneath.CopyRect(Rect(0, 0, width_, height_), Canvas, Bounds(X, Y, width_, height_));
      beneath.DetachSurface();
    }
    widget->render(&image, QPoint(), QRegion(), flags);
  }
  // Windowed children on top, in z-order.
  for (TControl* c : controls_) {
    auto* wc = dynamic_cast<TWinControl*>(c);
    if (wc == nullptr || !wc->visible_) continue;
    TCanvas canvas;
    AttachCanvas(canvas, image);
    wc->PaintTo(&canvas, wc->left_, wc->top_);
    canvas.DetachSurface();
  }
  TCanvas source;
  AttachCanvas(source, image);
  TCopyMode mode = Canvas->CopyMode();
  Canvas->SetCopyMode(cmSrcCopy);
  Canvas->CopyRect(Bounds(X, Y, width_, height_), &source, Rect(0, 0, width_, height_));
  Canvas->SetCopyMode(mode);
  source.DetachSurface();
}

void TWinControl::WMSize(TMessage& Message) {
  TRect c = ClientRect();
  if (last_client_w_ >= 0) ParentResized(c.Width() - last_client_w_, c.Height() - last_client_h_);
  last_client_w_ = c.Width();
  last_client_h_ = c.Height();
  Realign();
  Resize();
  DefaultHandler(Message);
}

void TWinControl::WMTimer(TMessage& Message) { DefaultHandler(Message); }

void TWinControl::KeyDown(uint16_t& Key, TShiftState Shift) {
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(uint16_t& Key, TShiftState Shift) {
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(char32_t& Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}

namespace {
TShiftState KeyShift(intptr_t LParam) {
  return static_cast<TShiftState>((static_cast<uint64_t>(LParam) >> 32) & 0xFF);
}
}  // namespace

// Key messages carry the shift state in the upper half of LParam.
void TWinControl::WMKeyDown(TMessage& Message) {
  uint16_t key = static_cast<uint16_t>(Message.WParam);
  TShiftState shift = KeyShift(Message.LParam);
  TForm* form = ParentForm();
  if (form != nullptr && form != static_cast<TControl*>(this) && form->KeyPreview()) {
    static_cast<TWinControl*>(form)->KeyDown(key, shift);
    if (key == 0) return;
  }
  KeyDown(key, shift);
  if (key == 0) return;
  // Alt with a letter or digit: an access key of some control of the form.
  if ((shift & ssAlt) && !(shift & ssCtrl) && form != nullptr &&
      ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9'))) {
    if (form->Perform(CM_DIALOGCHAR, key, Message.LParam) != 0) return;
  }
  if ((key == VK_RETURN || key == VK_ESCAPE) && (DialogCode() & DLGC_WANTALLKEYS) == 0 &&
      form != nullptr) {
    if (form->Perform(CM_DIALOGKEY, key, Message.LParam) != 0) return;
  }
  Message.WParam = key;
  DefaultHandler(Message);
}

void TWinControl::WMKeyUp(TMessage& Message) {
  uint16_t key = static_cast<uint16_t>(Message.WParam);
  TShiftState shift = KeyShift(Message.LParam);
  TForm* form = ParentForm();
  if (form != nullptr && form != static_cast<TControl*>(this) && form->KeyPreview()) {
    static_cast<TWinControl*>(form)->KeyUp(key, shift);
    if (key == 0) return;
  }
  KeyUp(key, shift);
  if (key == 0) return;
  Message.WParam = key;
  DefaultHandler(Message);
}

void TWinControl::WMChar(TMessage& Message) {
  char32_t ch = static_cast<char32_t>(Message.WParam);
  TForm* form = ParentForm();
  if (form != nullptr && form != static_cast<TControl*>(this) && form->KeyPreview()) {
    static_cast<TWinControl*>(form)->KeyPress(ch);
    if (ch == 0) return;
  }
  KeyPress(ch);
  if (ch == 0) return;
  Message.WParam = ch;
  DefaultHandler(Message);
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

void TWinControl::WMSetFocus(TMessage& Message) {
  DoEnter();
  DefaultHandler(Message);
}

void TWinControl::WMKillFocus(TMessage& Message) {
  DoExit();
  DefaultHandler(Message);
}

void TWinControl::WMSetCursor(TMessage& Message) { DefaultHandler(Message); }
void TWinControl::WMClose(TMessage& Message) { DefaultHandler(Message); }
void TWinControl::WMHScroll(TMessage& Message) { DefaultHandler(Message); }
void TWinControl::WMVScroll(TMessage& Message) { DefaultHandler(Message); }

// A dialog key (Enter, Escape) goes to every child until one takes it.
void TWinControl::CMDialogKey(TMessage& Message) {
  for (TControl* c : std::vector<TControl*>(controls_)) {
    if (!c->visible_ || !c->enabled_) continue;
    TMessage m = Message;
    c->WndProc(m);
    if (m.Result != 0) {
      Message.Result = m.Result;
      return;
    }
  }
}

void TWinControl::CMEnabledChanged(TMessage& Message) {
  if (impl_->widget) impl_->widget->setEnabled(enabled_);
  TControl::CMEnabledChanged(Message);
}

// ============================================================== TCustomControl

TCustomControl::TCustomControl(TComponent* AOwner)
    : TWinControl(AOwner), canvas_(std::make_unique<TCanvas>()) {}

TCustomControl::~TCustomControl() = default;

void TCustomControl::Paint() {}

void TCustomControl::PaintWindow(TCanvas* Target) {
  Perform(WM_ERASEBKGND, reinterpret_cast<uintptr_t>(Target));
  TPixelSurface surface;
  if (Target->GetSurface(surface)) {
    canvas_->AttachSurface(surface);
    canvas_->SetOrigin(Target->Origin());
    if (Target->HasClipRegion()) {
      TRegion r = Target->ClipRegion();
      canvas_->SetClipRegion(&r);
    } else {
      canvas_->SetClipRegion(nullptr);
    }
    canvas_->Font()->Assign(Font());
    canvas_->Brush()->SetColor(Color());
    canvas_->Brush()->SetStyle(bsSolid);
    canvas_->Pen()->SetColor(clBlack);
    canvas_->Pen()->SetMode(pmCopy);
    canvas_->Pen()->SetStyle(psSolid);
    canvas_->Pen()->SetWidth(1);
    struct Detach {
      TCanvas* c;
      ~Detach() { c->DetachSurface(); }
    } detach{canvas_.get()};
    Paint();
  }
  PaintControls(Target, 0, 0);
}

}  // namespace classlib
