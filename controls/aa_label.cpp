#include "controls/aa_label.h"

#include <algorithm>

#include "controls/effect_controls.h"
#include "platform/classlib/form.h"
#include "platform/classlib/icon.h"
#include "platform/classlib/shell_open.h"

using namespace classlib;

namespace controls {

// ---------------------------------------------------------------- base

TAAGraphicControl::TAAGraphicControl(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetParentColor(true);
  engine_.Effect()->OnChange = [this](TObject*) { RerenderRequest(); };
}

TAAGraphicControl::~TAAGraphicControl() { engine_.Effect()->OnChange = nullptr; }

void TAAGraphicControl::SetAutoSize(bool Value) {
  if (auto_size_ == Value) return;
  auto_size_ = Value;
  RerenderRequest();
}

void TAAGraphicControl::EndUpdate() {
  if (update_count_ > 0) --update_count_;
  RerenderRequest();
}

bool TAAGraphicControl::CanRender() const {
  const TComponentState s = ComponentState();
  return loaded_ && auto_rerender_ && update_count_ == 0 &&
         !(s & (csLoading | csReading | csWriting | csDestroying)) && !rendering_;
}

void TAAGraphicControl::RerenderRequest() {
  if (!CanRender()) return;
  RefreshLabel();
}

void TAAGraphicControl::Loaded() {
  TGraphicControl::Loaded();
  loaded_ = true;
  RerenderRequest();
}

void TAAGraphicControl::BoundsChanged(bool Moved, bool Resized) {
  TGraphicControl::BoundsChanged(Moved, Resized);
  if (Resized) RerenderRequest();
}

void TAAGraphicControl::FontChanged() {
  TGraphicControl::FontChanged();
  RerenderRequest();
}

void TAAGraphicControl::ColorChanged() {
  TGraphicControl::ColorChanged();
  RerenderRequest();
}

void TAAGraphicControl::CMTextChanged(TMessage& Message) {
  TGraphicControl::CMTextChanged(Message);
  RerenderRequest();
}

// ---------------------------------------------------------------- settings

bool TParentEffect::ParentColor() const { return control_->ParentColor(); }
void TParentEffect::SetParentColor(bool Value) { control_->SetParentColor(Value); }
bool TParentEffect::ParentFont() const { return control_->ParentFont(); }
void TParentEffect::SetParentFont(bool Value) { control_->SetParentFont(Value); }
bool TParentEffect::ParentShowHint() const { return control_->ParentShowHint(); }
void TParentEffect::SetParentShowHint(bool Value) { control_->SetParentShowHint(Value); }

classlib::TDragKind TDrag::DragKind() const { return control_->DragKind(); }
void TDrag::SetDragKind(classlib::TDragKind Value) { control_->SetDragKind(Value); }
classlib::TCursor TDrag::DragCursor() const { return control_->DragCursor(); }
void TDrag::SetDragCursor(classlib::TCursor Value) { control_->SetDragCursor(Value); }
classlib::TDragMode TDrag::DragMode() const { return control_->DragMode(); }
void TDrag::SetDragMode(classlib::TDragMode Value) { control_->SetDragMode(Value); }

TAAFontEffect::TAAFontEffect(TAAGraphicControl* Control)
    : TCustomParam(Control), background_(std::make_unique<TPicture>()) {
  background_->OnChange = [this](TObject*) { Changed(); };
  OnChange = [this](TObject*) { control_->RerenderRequest(); };
}

void TAAFontEffect::SetTransparent(bool Value) {
  if (transparent_ == Value) return;
  transparent_ = Value;
  Changed();
  control_->Invalidate();
}
void TAAFontEffect::SetLayout(TTextLayout Value) {
  if (layout_ != Value) {
    layout_ = Value;
    Changed();
  }
}
void TAAFontEffect::SetAlignment(TAlignment Value) {
  if (alignment_ != Value) {
    alignment_ = Value;
    Changed();
  }
}
void TAAFontEffect::SetQuality(TAAQuality Value) {
  if (quality_ != Value) {
    quality_ = Value;
    Changed();
  }
}
TAAEffect* TAAFontEffect::FontEffect() const { return control_->Engine()->Effect(); }
TColor TAAFontEffect::BackColor() const {
  return back_color_ == clDefault ? control_->Color() : back_color_;
}
void TAAFontEffect::SetBackColor(TColor Value) {
  if (back_color_ != Value) {
    back_color_ = Value;
    Changed();
  }
}
void TAAFontEffect::SetBackGroundMode(TBackGroundMode Value) {
  if (background_mode_ != Value) {
    background_mode_ = Value;
    Changed();
  }
}

void TAAFontEffect::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TAAFontEffect*>(Source);
  if (s == nullptr) return TPersistent::Assign(Source);
  transparent_ = s->transparent_;
  layout_ = s->layout_;
  alignment_ = s->alignment_;
  quality_ = s->quality_;
  back_color_ = s->back_color_;
  background_mode_ = s->background_mode_;
  background_->Assign(s->background_.get());
  FontEffect()->Assign(s->FontEffect());
  Changed();
}

// ---------------------------------------------------------------- label

TAALabel::TAALabel(TComponent* AOwner)
    : TAAGraphicControl(AOwner),
      cache_(std::make_unique<TBitmap>()),
      effect_(std::make_unique<TAAFontEffect>(this)) {
  SetControlStyle(ControlStyle() | csSetCaption | csReplicatable);
  SetBounds(Left(), Top(), 46, 12);
  cache_->SetPixelFormat(pf24bit);
}

TAALabel::~TAALabel() = default;

void TAALabel::SetBorder(int Value) {
  Value = std::max(0, Value);
  if (border_ == Value) return;
  border_ = Value;
  RerenderRequest();
}

TPoint TAALabel::LayoutCaption(TAAFontEx& Engine) {
  const TSize ext = Caption().empty() ? TSize{0, 0} : Engine.TextExtent(Caption());
  const int w = ext.cx, h = ext.cy;
  if (auto_size_) {
    const TAlign a = Align();
    int cw = ClientWidth(), ch = ClientHeight();
    if (a == alNone || a == alLeft || a == alRight) cw = 2 * border_ + w;
    if (a == alNone || a == alTop || a == alBottom) ch = 2 * border_ + h;
    if (cw != ClientWidth() || ch != ClientHeight()) SetClientSize(cw, ch);
  }
  int x = border_, y = border_;
  switch (effect_->Alignment()) {
    case taLeftJustify: x = border_; break;
    case taRightJustify: x = ClientWidth() - border_ - w; break;
    case taCenter: x = (ClientWidth() - w) / 2; break;
  }
  switch (effect_->Layout()) {
    case tlTop: y = border_; break;
    case tlCenter: y = (ClientHeight() - h) / 2; break;
    case tlBottom: y = ClientHeight() - border_ - h; break;
  }
  text_origin_ = Point(x, y);
  return text_origin_;
}

void TAALabel::PaintBackground(TCanvas* Target, TColor Color, TPicture* Picture,
                               TBackGroundMode Mode) {
  const int W = ClientWidth(), H = ClientHeight();
  Target->Brush()->SetStyle(bsSolid);
  Target->Brush()->SetColor(Color);
  Target->FillRect(Rect(0, 0, W, H));
  TGraphic* g = Picture != nullptr ? Picture->Graphic() : nullptr;
  if (g == nullptr || g->Empty()) return;
  const int gw = g->Width(), gh = g->Height();
  switch (Mode) {
    case bmTiled:
      for (int y = 0; y < H; y += gh)
        for (int x = 0; x < W; x += gw) Target->Draw(x, y, g);
      break;
    case bmStretched:
      if (dynamic_cast<TIcon*>(g) != nullptr) {
        // An icon is drawn on the background colour first, then stretched.
        TBitmap b;
        b.SetPixelFormat(pf24bit);
        b.SetSize(gw, gh);
        b.Canvas()->Brush()->SetColor(Color);
        b.Canvas()->FillRect(Rect(0, 0, gw, gh));
        b.Canvas()->Draw(0, 0, g);
        Target->StretchDraw(Rect(0, 0, W, H), &b);
      } else {
        Target->StretchDraw(Rect(0, 0, W, H), g);
      }
      break;
    case bmCenter: Target->Draw((W - gw) / 2, (H - gh) / 2, g); break;
    case bmNormal: Target->Draw(0, 0, g); break;
  }
}

void TAALabel::Draw() {
  if (!CanRender()) return;
  rendering_ = true;
  try {
    engine_.SetQuality(effect_->Quality());
    engine_.SetCanvas(cache_->Canvas());
    cache_->Canvas()->SetFont(Font());
    const TPoint at = LayoutCaption(engine_);
    if (!effect_->Transparent()) {
      cache_->SetPixelFormat(pf24bit);
      cache_->SetSize(std::max(1, ClientWidth()), std::max(1, ClientHeight()));
      PaintBackground(cache_->Canvas(), effect_->BackColor(), effect_->BackGround(),
                      effect_->BackGroundMode());
      cache_->Canvas()->Brush()->SetStyle(bsClear);
      engine_.TextOut(at.X, at.Y, Caption());
    }
  } catch (...) {
    rendering_ = false;
    throw;
  }
  rendering_ = false;
  Invalidate();
}

void TAALabel::Paint() {
  const TComponentState s = ComponentState();
  if (s & (csLoading | csReading | csWriting | csDestroying)) return;
  if (update_count_ > 0 || painting_) return;
  painting_ = true;
  try {
    if (!loaded_) {
      loaded_ = true;
      Draw();
    }
    if (effect_->Transparent()) {
      // Blends straight into what the parent has painted here.
      engine_.SetQuality(effect_->Quality());
      engine_.SetCanvas(Canvas());
      Canvas()->SetFont(Font());
      Canvas()->Brush()->SetStyle(bsClear);
      const TPoint at = LayoutCaption(engine_);
      engine_.TextOut(at.X, at.Y, Caption());
    } else {
      Canvas()->Draw(0, 0, cache_.get());
    }
  } catch (...) {
    painting_ = false;
    throw;
  }
  painting_ = false;
}

// ---------------------------------------------------------------- link label

THotLink::THotLink(TAAGraphicControl* Control)
    : TCustomParam(Control),
      font_effect_(std::make_unique<TAAEffect>()),
      background_(std::make_unique<TPicture>()) {}

TAALinkLabel::TAALinkLabel(TComponent* AOwner)
    : TAALabel(AOwner),
      hot_link_(std::make_unique<THotLink>(this)),
      normal_(std::make_unique<TBitmap>()),
      hover_(std::make_unique<TBitmap>()),
      shown_(std::make_unique<TBitmap>()) {
  timer_ = new TTimer(this);
  timer_->SetEnabled(false);
  timer_->SetInterval(55);
  timer_->OnTimer = [this](TObject* s) { FadeTick(s); };
}

TAALinkLabel::~TAALinkLabel() = default;

void TAALinkLabel::RenderImages() {
  const int W = std::max(1, ClientWidth()), H = std::max(1, ClientHeight());
  auto prepare = [&](TBitmap* b) {
    b->SetPixelFormat(pf24bit);
    b->SetSize(W, H);
  };
  // The normal picture, over the parent's picture when transparent.
  prepare(normal_.get());
  engine_.SetQuality(effect_->Quality());
  engine_.SetCanvas(normal_->Canvas());
  normal_->Canvas()->SetFont(Font());
  TPoint at = LayoutCaption(engine_);
  if (effect_->Transparent())
    PaintEffectBackground(this, true, normal_.get()), normal_->SetSize(W, H);
  else
    PaintBackground(normal_->Canvas(), effect_->BackColor(), effect_->BackGround(),
                    effect_->BackGroundMode());
  normal_->Canvas()->Brush()->SetStyle(bsClear);
  engine_.TextOut(at.X, at.Y, Caption());

  // The hover picture: the link's own effect, colour and background.
  prepare(hover_.get());
  TAAEffect saved;
  saved.Assign(engine_.Effect());
  auto restore = engine_.Effect()->OnChange;
  engine_.Effect()->OnChange = nullptr;
  engine_.Effect()->Assign(hot_link_->FontEffect());
  TFont font;
  font.Assign(Font());
  font.SetColor(hot_link_->Color);
  if (hot_link_->UnderLine) font.SetStyle(font.Style() | fsUnderline);
  engine_.SetCanvas(hover_->Canvas());
  hover_->Canvas()->SetFont(&font);
  if (hot_link_->Transparent) {
    PaintEffectBackground(this, true, hover_.get());
    hover_->SetSize(W, H);
  } else {
    PaintBackground(hover_->Canvas(), hot_link_->BackColor, hot_link_->BackGround(),
                    hot_link_->BackGroundMode);
  }
  if (auto_size_ && Align() == alNone) at = Point(border_, border_);
  hover_->Canvas()->Brush()->SetStyle(bsClear);
  engine_.TextOut(at.X, at.Y, Caption());
  engine_.Effect()->Assign(&saved);
  engine_.Effect()->OnChange = restore;
}

void TAALinkLabel::ShowLevel(int Level) {
  level_ = std::clamp(Level, 0, 255);
  level_f_ = level_;
  shown_->SetPixelFormat(pf24bit);
  shown_->SetSize(normal_->Width(), normal_->Height());
  if (hover_->Width() == normal_->Width() && hover_->Height() == normal_->Height()) {
    for (int y = 0; y < normal_->Height(); ++y) {
      const uint8_t* n = normal_->ScanLine(y);
      const uint8_t* h = hover_->ScanLine(y);
      uint8_t* s = shown_->ScanLine(y);
      for (int i = 0; i < 3 * normal_->Width(); ++i)
        s[i] = static_cast<uint8_t>(n[i] + (h[i] - n[i]) * level_ / 255);
    }
    shown_->Changed(shown_.get());
  }
  Invalidate();
}

void TAALinkLabel::MouseEnter() {
  if (Enabled()) {
    hot_ = true;
    RenderImages();
    if (hot_link_->Fade && hot_link_->FadeDelay > 0) {
      fade_state_ = fsIn;
      timer_->SetEnabled(true);
      ShowLevel(level_);
    } else {
      fade_state_ = fsNone;
      ShowLevel(255);
    }
  }
  TAALabel::MouseEnter();
}

void TAALinkLabel::MouseLeave() {
  if (Enabled()) {
    if (hot_link_->Fade && hot_link_->FadeDelay > 0) {
      fade_state_ = fsOut;
      timer_->SetEnabled(true);
    } else {
      fade_state_ = fsNone;
      timer_->SetEnabled(false);
      ShowLevel(0);
    }
    hot_ = false;
  }
  TAALabel::MouseLeave();
}

void TAALinkLabel::FadeTick(TObject*) {
  if (hot_link_->FadeDelay <= 0) {
    timer_->SetEnabled(false);
    fade_state_ = fsNone;
    ShowLevel(hot_ ? 255 : 0);
    return;
  }
  const int step =
      static_cast<int>(static_cast<int64_t>(timer_->Interval()) * 255 / hot_link_->FadeDelay);
  int level = level_;
  if (fade_state_ == fsIn) {
    level += step;
    if (level > 255) {
      level = 255;
      fade_state_ = fsNone;
      timer_->SetEnabled(false);
    }
  } else if (fade_state_ == fsOut) {
    level -= step;
    if (level < 0) {
      level = 0;
      fade_state_ = fsNone;
      timer_->SetEnabled(false);
    }
  } else {
    timer_->SetEnabled(false);
  }
  ShowLevel(level);
}

void TAALinkLabel::SetEnabled(bool Value) {
  TAALabel::SetEnabled(Value);
  if (!Value) {
    timer_->SetEnabled(false);
    fade_state_ = fsNone;
    hot_ = false;
    ShowLevel(0);
  }
}

void TAALinkLabel::Paint() {
  if ((hot_ || fade_state_ != fsNone) && !shown_->Empty()) {
    Canvas()->Draw(0, 0, shown_.get());
    return;
  }
  TAALabel::Paint();
}

void TAALinkLabel::Click() {
  if (!hot_link_->URL.empty()) ShellOpen(hot_link_->URL, "open", dynamic_cast<TForm*>(Parent()));
  TAALabel::Click();
}

}  // namespace controls
