#include "controls/sui_side_channel.h"

#include "controls/sui_skin_bitmap.h"
#include "platform/classlib/application.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/mouse.h"

namespace controls {

using namespace classlib;

namespace {

constexpr int kStep = 15;
constexpr int kMinOpenWidth = 50;

}  // namespace

TsuiSideChannel::TsuiSideChannel(TComponent* AOwner) : TPanel(AOwner) {
  SetBevelOuter(bvNone);
  title_ = new TPanel(this);
  title_->SetParent(this);
  title_->SetBevelOuter(bvNone);
  title_->SetAlign(TAlign::alTop);
  title_->SetHeight(16);
  pin_ = new TSpeedButton(this);
  pin_->SetParent(title_);
  pin_->SetBounds(0, 0, 20, 16);
  pin_->SetAlign(TAlign::alRight);
  pin_->SetFlat(true);
  pin_->SetGroupIndex(1);
  pin_->SetAllowAllUp(true);
  pin_->OnClick = [this](TObject*) { PinChanged(); };
  LoadPinGlyph();

  side_bar_ = new TPanel(this);
  side_bar_->SetParent(this);
  side_bar_->SetBevelOuter(bvNone);
  side_bar_->SetWidth(10);
  side_bar_->SetAlign(TAlign::alLeft);
  bar_button_ = new TsuiButton(this);
  bar_button_->SetParent(side_bar_);
  bar_button_->SetUIStyle(TsuiUIStyle::Custom);
  bar_button_->SetPicNormalResName("SIDECHANNEL_BAR_NORMAL");
  bar_button_->SetPicMouseOnResName("SIDECHANNEL_BAR_MOUSEON");
  bar_button_->SetPicMouseDownResName("SIDECHANNEL_BAR_MOUSEON");
  bar_button_->SetAutoSize(true);
  bar_button_->SetTabStop(false);

  const auto move = [this](TObject*, TShiftState, int, int) { BarMouseMove(); };
  side_bar_->OnMouseMove = move;
  bar_button_->OnMouseMove = move;
  title_->OnMouseMove = move;
  side_bar_->OnClick = [this](TObject*) { BarClick(); };
  bar_button_->OnClick = [this](TObject*) { BarClick(); };

  watch_ = std::make_unique<TTimer>(nullptr);
  watch_->SetEnabled(false);
  watch_->SetInterval(500);
  watch_->SetOnTimer([this](TObject*) { Watch(); });

  SetCaption(" ");
  SetColor(FindFormColor(dynamic_cast<TWinControl*>(AOwner)));
  SetSideBarColor(Color());
  SetAlign(TAlign::alLeft);
  ready_ = true;
  open_width_ = Width();
  // Outside the designer the panel starts closed.
  Slide(false, true);
}

TsuiSideChannel::~TsuiSideChannel() {
  *alive_ = false;
  watch_.reset();
}

int TsuiSideChannel::SideBarWidth() const { return side_bar_->Width(); }

void TsuiSideChannel::SetSideBarColor(TColor Value) {
  side_bar_color_ = Value;
  side_bar_->SetColor(Value);
  title_->SetColor(Value);
}

void TsuiSideChannel::SetSideBarWidth(int Value) {
  side_bar_->SetWidth(Value);
  Slide(false, true);
}

void TsuiSideChannel::SetChannelAlign(TsuiSideChannelAlign Value) {
  channel_align_ = Value;
  SetAlign(Value == suiLeft ? TAlign::alLeft : TAlign::alRight);
  side_bar_->SetAlign(Value == suiLeft ? TAlign::alLeft : TAlign::alRight);
}

void TsuiSideChannel::SetTitleAlignment(TAlignment Value) { title_->SetAlignment(Value); }

void TsuiSideChannel::LoadPinGlyph() {
  TBitmap glyph;
  LoadSkinBitmap(&glyph, pin_->Down() ? "SIDECHANNEL_BTN_ONTOP" : "SIDECHANNEL_BTN_NOONTOP");
  pin_->SetGlyph(&glyph);
}

void TsuiSideChannel::PinChanged() {
  stay_on_ = pin_->Down();
  watch_->SetEnabled(!stay_on_ && IsOpen());
  LoadPinGlyph();
}

void TsuiSideChannel::SetStayOn(bool Value) {
  if (Value) {
    if (!IsOpen()) Pop();
    pin_->SetDown(true);
  } else {
    pin_->SetDown(false);
    Slide(false, true);
  }
  PinChanged();
}

void TsuiSideChannel::Pop() { Slide(true, quick_move_); }
void TsuiSideChannel::Push() { Slide(false, quick_move_); }

void TsuiSideChannel::Slide(bool Open, bool Quick) {
  const std::shared_ptr<bool> alive = alive_;
  animating_ = true;
  if (Open) {
    pin_->SetVisible(true);
    if (!Quick) {
      while (Width() + kStep < open_width_) {
        SetBounds(Left(), Top(), Width() + kStep, Height());
        Repaint();
        Application->ProcessMessages();
        if (!*alive) return;  // freed by a pending message
      }
    }
    SetBounds(Left(), Top(), open_width_, Height());
    Repaint();
    if (!stay_on_) watch_->SetEnabled(true);
    animating_ = false;
    title_->SetCaption(Caption());
    if (OnPop) OnPop(this);
  } else {
    watch_->SetEnabled(false);
    if (!Quick) {
      while (SideBarWidth() < Width() - kStep) {
        SetBounds(Left(), Top(), Width() - kStep, Height());
        Repaint();
        Application->ProcessMessages();
        if (!*alive) return;
      }
    }
    SetBounds(Left(), Top(), SideBarWidth(), Height());
    Repaint();
    pin_->SetVisible(false);
    title_->SetCaption("");
    animating_ = false;
    if (OnPush) OnPush(this);
  }
}

void TsuiSideChannel::BarMouseMove() {
  if (!IsOpen() && popup_mode_ == suiMouseOn) Pop();
}

void TsuiSideChannel::BarClick() {
  if (!IsOpen() && popup_mode_ == suiMouseClick) Pop();
}

void TsuiSideChannel::Watch() {
  if (!Parent()) {
    Slide(false, true);
    return;
  }
  const TPoint p = Mouse()->CursorPos();
  const TPoint tl = ClientToScreen(TPoint{0, 0});
  const bool inside = p.X > tl.X && p.X < tl.X + Width() && p.Y > tl.Y && p.Y < tl.Y + Height();
  if (!inside) Push();
}

void TsuiSideChannel::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (ready_ && AWidth != Width()) {
    bool allow = true;
    if (OnCanResize) OnCanResize(this, AWidth, AHeight, allow);
    if (!animating_ && IsOpen() && AWidth < kMinOpenWidth) allow = false;
    if (!allow) return;
  }
  TPanel::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TsuiSideChannel::Resize() {
  if (ready_ && !animating_ && Width() > SideBarWidth()) open_width_ = Width();
  TPanel::Resize();
}

void TsuiSideChannel::Paint() {
  Canvas()->Brush()->SetStyle(bsSolid);
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(ClientRect());
}

void TsuiSideChannel::FontChanged() {
  TPanel::FontChanged();
  if (title_) title_->Font()->Assign(Font());
}

}  // namespace controls
