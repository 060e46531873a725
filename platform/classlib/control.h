// Controls: TControl (position, alignment, visibility, colour, font, mouse
// events, message dispatch), TGraphicControl (windowless: painted by its
// parent onto the parent's canvas, its mouse input routed to it by the
// parent), TWinControl (one native window each, child controls, focus, keys,
// window timers) and TCustomControl (a windowed control that paints itself
// through a canvas into an off-screen image copied to the screen in one block).
//
// Every control receives its messages through the virtual WndProc, which
// dispatches by message number to the virtual handlers below; a handler that
// does not call its inherited version withholds the message from the base
// classes (and from the native window).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/application.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/colors.h"
#include "platform/classlib/component.h"
#include "platform/classlib/geometry.h"
#include "platform/classlib/messages.h"

namespace classlib {

class TCanvas;
class TFont;
class TWinControl;
class TPopupMenu;
class TForm;
class TEventBridge;

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
using enum TAlign;

enum TAnchorKind : uint8_t { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
using TAnchors = uint8_t;

// Control style flags: what a control class does.
enum TControlStyleFlag : uint32_t {
  csAcceptsControls = 1u << 0,
  csCaptureMouse = 1u << 1,
  csClickEvents = 1u << 2,
  csFramed = 1u << 3,
  csSetCaption = 1u << 4,
  csOpaque = 1u << 5,  // paints its whole client area: no background fill first
  csDoubleClicks = 1u << 6,
  csReplicatable = 1u << 7,
  csNoStdEvents = 1u << 8,
  csSelfPaint = 1u << 9,  // windowed control painted by the layer through a canvas
};
using TControlStyle = uint32_t;

// Control state flags: what a control is doing now.
enum TControlStateFlag : uint32_t {
  csLButtonDown = 1u << 0,
  csClicked = 1u << 1,
  csPalette = 1u << 2,
  csReadingState = 1u << 3,
  csAlignmentNeeded = 1u << 4,
  csFocusing = 1u << 5,
  csCreating = 1u << 6,
  csPaintCopy = 1u << 7,
};
using TControlState = uint32_t;

using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, uint16_t& Key, TShiftState Shift)>;
// Key is a Unicode code point; setting it to 0 swallows the character.
using TKeyPressEvent = std::function<void(TObject* Sender, char32_t& Key)>;
using TMouseWheelEvent = std::function<void(TObject* Sender, TShiftState Shift, int WheelDelta,
                                            TPoint MousePos, bool& Handled)>;

enum TDragKind : uint8_t { dkDrag, dkDock };
enum TDragMode : uint8_t { dmManual, dmAutomatic };

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;
  std::string ClassName() const override { return "TControl"; }

  // ---- tree ----
  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* AParent);
  // The form this control lies on (nullptr when not on a form).
  TForm* ParentForm() const;

  // ---- geometry (Left/Top relative to the parent's client area) ----
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int Value) { SetBounds(Value, top_, width_, height_); }
  void SetTop(int Value) { SetBounds(left_, Value, width_, height_); }
  void SetWidth(int Value) { SetBounds(left_, top_, Value, height_); }
  void SetHeight(int Value) { SetBounds(left_, top_, width_, Value); }
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
  void SetBoundsRect(const TRect& R) { SetBounds(R.Left, R.Top, R.Width(), R.Height()); }
  // The client area in client coordinates (0, 0, ClientWidth, ClientHeight).
  virtual TRect ClientRect() const;
  int ClientWidth() const { return ClientRect().Width(); }
  int ClientHeight() const { return ClientRect().Height(); }
  void SetClientWidth(int Value);
  void SetClientHeight(int Value);
  void SetClientSize(int AWidth, int AHeight);
  // Screen position of the client area's top-left corner.
  virtual TPoint ClientOrigin() const;
  TPoint ClientToScreen(const TPoint& P) const;
  TPoint ScreenToClient(const TPoint& P) const;

  TAlign Align() const { return align_; }
  void SetAlign(TAlign Value);
  TAnchors Anchors() const { return anchors_; }
  void SetAnchors(TAnchors Value) { anchors_ = Value; }

  // ---- state ----
  bool Visible() const { return visible_; }
  void SetVisible(bool Value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible with every parent visible up to a shown top-level window.
  virtual bool Showing() const;
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool Value);

  // Caption and Text are one string (the control's window text).
  virtual std::string Caption() const { return GetText(); }
  void SetCaption(const std::string& Value) { SetText(Value); }
  std::string Text() const { return GetText(); }
  void SetText(const std::string& Value);

  TColor Color() const { return color_; }
  void SetColor(TColor Value);
  bool ParentColor() const { return parent_color_; }
  void SetParentColor(bool Value);
  TFont* Font() const { return font_.get(); }
  void SetFont(TFont* Value);  // copies Value
  bool ParentFont() const { return parent_font_; }
  void SetParentFont(bool Value);
  TCursor Cursor() const { return cursor_; }
  virtual void SetCursor(TCursor Value);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& Value) { hint_ = Value; }
  // With ParentShowHint the parent's setting applies.
  bool ShowHint() const;
  void SetShowHint(bool Value);
  bool ParentShowHint() const { return parent_show_hint_; }
  void SetParentShowHint(bool Value);
  TPopupMenu* PopupMenu() const { return popup_menu_; }
  void SetPopupMenu(TPopupMenu* Value);
  // How a drag from this control starts: by the program (dmManual) or by a
  // left press on it (dmAutomatic), and the cursor a drag object shows.
  TDragKind DragKind() const { return drag_kind_; }
  void SetDragKind(TDragKind Value) { drag_kind_ = Value; }
  TDragMode DragMode() const { return drag_mode_; }
  void SetDragMode(TDragMode Value) { drag_mode_ = Value; }
  TCursor DragCursor() const { return drag_cursor_; }
  void SetDragCursor(TCursor Value) { drag_cursor_ = Value; }
  bool MouseCapture() const;
  void SetMouseCapture(bool Value);

  TControlStyle ControlStyle() const { return control_style_; }
  void SetControlStyle(TControlStyle Value) { control_style_ = Value; }
  TControlState ControlState() const { return control_state_; }
  void SetControlState(TControlState Value) { control_state_ = Value; }

  // ---- painting ----
  virtual void Invalidate();
  virtual void Update();
  void Repaint();
  void Refresh() { Repaint(); }

  // ---- z-order ----
  void BringToFront();
  void SendToBack();

  // ---- messages ----
  intptr_t Perform(uint32_t Msg, uintptr_t WParam = 0, intptr_t LParam = 0);
  virtual void WndProc(TMessage& Message);
  // Calls the handler for Message.Msg; unknown messages go to DefaultHandler.
  virtual void Dispatch(TMessage& Message);
  virtual void DefaultHandler(TMessage& Message);

  virtual void Click();
  virtual void DblClick();

  // ---- events ----
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TNotifyEvent OnResize;
  TMouseWheelEvent OnMouseWheel;

 protected:
  virtual std::string GetText() const { return text_; }
  // Stores a new window text; windowed controls pass it to their window.
  virtual void StoreText(const std::string& Value) { text_ = Value; }

  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual void Resize();
  // The font or colour changed (own or taken over from the parent).
  virtual void FontChanged();
  virtual void ColorChanged();
  // Asks the parent to lay out its aligned children again.
  void RequestAlign();
  // Size and position applied; windowed controls move their window here.
  virtual void BoundsChanged(bool Moved, bool Resized);
  virtual void VisibleChanged();
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // Message handlers.
  virtual void WMMouseMove(TMessage& Message);
  virtual void WMLButtonDown(TMessage& Message);
  virtual void WMLButtonUp(TMessage& Message);
  virtual void WMLButtonDblClk(TMessage& Message);
  virtual void WMRButtonDown(TMessage& Message);
  virtual void WMRButtonUp(TMessage& Message);
  virtual void WMRButtonDblClk(TMessage& Message);
  virtual void WMMButtonDown(TMessage& Message);
  virtual void WMMButtonUp(TMessage& Message);
  virtual void WMMButtonDblClk(TMessage& Message);
  virtual void WMMouseWheel(TMessage& Message);
  virtual void WMContextMenu(TMessage& Message);
  virtual void WMCancelMode(TMessage& Message);
  virtual void CMMouseEnter(TMessage& Message);
  virtual void CMMouseLeave(TMessage& Message);
  virtual void CMHitTest(TMessage& Message);
  virtual void CMEnabledChanged(TMessage& Message);
  virtual void CMVisibleChanged(TMessage& Message);
  virtual void CMTextChanged(TMessage& Message);
  virtual void CMFontChanged(TMessage& Message);
  virtual void CMColorChanged(TMessage& Message);
  virtual void CMParentFontChanged(TMessage& Message);
  virtual void CMParentColorChanged(TMessage& Message);
  virtual void CMCursorChanged(TMessage& Message);

  // A control that has been clicked down keeps receiving the mouse.
  void DoMouseDown(TMessage& Message, TMouseButton Button, TShiftState Extra);
  void DoMouseUp(TMessage& Message, TMouseButton Button);

  TControlStyle control_style_ = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
  TControlState control_state_ = 0;

 private:
  friend class TWinControl;
  friend class TEventBridge;
  TWinControl* parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  TAlign align_ = alNone;
  TAnchors anchors_ = akLeft | akTop;
  bool visible_ = true;
  bool enabled_ = true;
  std::string text_;
  TColor color_ = clWindow;
  bool parent_color_ = false;
  std::unique_ptr<TFont> font_;
  bool parent_font_ = true;
  bool updating_font_ = false;
  TCursor cursor_ = crDefault;
  std::string hint_;
  bool show_hint_ = false;
  bool parent_show_hint_ = true;
  TPopupMenu* popup_menu_ = nullptr;
  TDragKind drag_kind_ = dkDrag;
  TDragMode drag_mode_ = dmManual;
  TCursor drag_cursor_ = crDrag;
};

// A windowless control: it has no native window. Its parent paints it onto
// the parent's canvas in z-order (so it can read the pixels beneath it) and
// routes mouse input, enter/leave, capture and cursor to it.
class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* AOwner);
  ~TGraphicControl() override;
  std::string ClassName() const override { return "TGraphicControl"; }

  // The canvas while painting: the parent's pixels under this control, in
  // this control's client coordinates.
  TCanvas* Canvas() const { return canvas_.get(); }

 protected:
  virtual void Paint();
  virtual void WMPaint(TMessage& Message);
  void Dispatch(TMessage& Message) override;

 private:
  std::unique_ptr<TCanvas> canvas_;
};

using TTabOrder = int;

// A control with a native window, the parent of other controls.
class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;
  std::string ClassName() const override { return "TWinControl"; }

  // Children in z-order (first is bottom-most).
  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int Index) const;
  void InsertControl(TControl* AControl);
  void RemoveControl(TControl* AControl);
  bool ContainsControl(const TControl* AControl) const;
  // The top-most visible child (graphic or windowed) under the client point.
  TControl* ControlAtPos(const TPoint& Pos, bool AllowDisabled = false,
                         bool AllowWinControls = false) const;

  // Lays out the aligned children again.
  void Realign() { AlignControl(nullptr); }
  // Lays them out after AControl changed: among controls at the same
  // position, AControl goes first.
  void AlignControl(TControl* AControl);
  void DisableAlign() { ++align_disabled_; }
  void EnableAlign();

  // ---- focus and keys ----
  bool TabStop() const { return tab_stop_; }
  void SetTabStop(bool Value);
  TTabOrder TabOrder() const { return tab_order_; }
  void SetTabOrder(TTabOrder Value) { tab_order_ = Value; }
  virtual bool CanFocus() const;
  virtual void SetFocus();
  bool Focused() const;

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;
  TKeyEvent OnKeyUp;

  // ---- window ----
  bool HandleAllocated() const;
  void HandleNeeded();
  bool Showing() const override;
  // From the window system while the window is on screen.
  TPoint ClientOrigin() const override;
  void Invalidate() override;
  void Update() override;
  // Renders this control and its children into Canvas with the top-left
  // corner at (X, Y).
  virtual void PaintTo(TCanvas* Canvas, int X, int Y);

  // Window timers: WM_TIMER with WParam = ID every Interval ms, through WndProc.
  void SetTimer(uint32_t ID, uint32_t Interval);
  void KillTimer(uint32_t ID);

  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;
  // Reached when a message has passed every handler: the native window
  // receives it (when it came from the window system).
  void DefaultHandler(TMessage& Message) override;

  // Where the native side reads whether DefaultHandler was reached.
  struct DispatchRecord {
    bool default_reached = false;
  };
  DispatchRecord* current_dispatch = nullptr;

 protected:
  // Makes the native window (called once, lazily) and hands it to the layer
  // (the toolkit-side sources do that through AdoptWidget). The default is a
  // plain window that the layer paints through WM_PAINT.
  virtual void CreateWnd();
  // Called once the native window exists: apply stored properties to it.
  virtual void WidgetCreated();
  // Client area inside the window, after borders (panels shrink it).
  virtual void AdjustClientRect(TRect& Rect) const;
  virtual void AlignControls(TControl* AControl, TRect& Rect);

  // Painting of self-painted windows: erase the background, paint, then the
  // graphic children in z-order. Canvas covers the client area.
  virtual void PaintWindow(TCanvas* Canvas);
  void PaintControls(TCanvas* Canvas, int OffsetX, int OffsetY);

  virtual void DoEnter();
  virtual void DoExit();
  virtual void KeyDown(uint16_t& Key, TShiftState Shift);
  virtual void KeyUp(uint16_t& Key, TShiftState Shift);
  virtual void KeyPress(char32_t& Key);
  // What keys this control handles itself (DLGC_...).
  virtual uint32_t DialogCode() const { return 0; }

  void BoundsChanged(bool Moved, bool Resized) override;
  void VisibleChanged() override;
  void StoreText(const std::string& Value) override;
  void FontChanged() override;
  void ColorChanged() override;
  void SetCursor(TCursor Value) override;

  virtual void WMPaint(TMessage& Message);
  virtual void WMEraseBkgnd(TMessage& Message);
  virtual void WMSize(TMessage& Message);
  virtual void WMTimer(TMessage& Message);
  virtual void WMKeyDown(TMessage& Message);
  virtual void WMKeyUp(TMessage& Message);
  virtual void WMChar(TMessage& Message);
  virtual void WMSetFocus(TMessage& Message);
  virtual void WMKillFocus(TMessage& Message);
  virtual void WMSetCursor(TMessage& Message);
  virtual void WMClose(TMessage& Message);
  virtual void WMHScroll(TMessage& Message);
  virtual void WMVScroll(TMessage& Message);
  virtual void CMDialogKey(TMessage& Message);
  void CMEnabledChanged(TMessage& Message) override;

 public:
  // Native side (used by the layer's own sources only, through control_qt.h,
  // which also reaches the native window itself).
  struct Impl;
  Impl* impl() const { return impl_.get(); }

 private:
  friend class TControl;
  friend class TEventBridge;
  // Routes a mouse message to a graphic child under the pointer or with the
  // capture; true when it went to a child.
  bool RouteMouseToChild(TMessage& Message);
  void TrackMouseControl(TControl* Target);
  void ParentResized(int dw, int dh);

  std::vector<TControl*> controls_;
  int align_disabled_ = 0;
  bool tab_stop_ = false;
  TTabOrder tab_order_ = -1;
  TControl* capture_control_ = nullptr;  // a graphic child that has the mouse
  TControl* mouse_control_ = nullptr;    // the graphic child under the pointer
  int last_client_w_ = -1, last_client_h_ = -1;
  std::unique_ptr<Impl> impl_;
};

// A windowed control that paints itself: Paint draws on Canvas, into an
// off-screen image copied to the screen in one block.
class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(TComponent* AOwner);
  ~TCustomControl() override;
  std::string ClassName() const override { return "TCustomControl"; }
  // Bound to the off-screen image while painting; outside painting it draws
  // on a scratch image (for measuring text).
  TCanvas* Canvas() const { return canvas_.get(); }

 protected:
  virtual void Paint();
  void PaintWindow(TCanvas* Canvas) override;

 private:
  std::unique_ptr<TCanvas> canvas_;
};

// The control that currently has the mouse capture, if any.
TControl* GetCaptureControl();
void SetCaptureControl(TControl* Control);
// The window system ends a capture held by Control or a control inside it
// (window hidden or deactivated): the holder loses it and receives
// WM_CAPTURECHANGED (LParam 0). A control whose capture another control takes
// receives WM_CAPTURECHANGED with the new holder in LParam.
void EndCaptureWithin(TControl* Control);

}  // namespace classlib
