#include "controls/morph_button.h"

#include "platform/sound/sound_output.h"

using namespace classlib;

namespace controls {

TepWave::TepWave() = default;

void TepWave::Changed() {
  Modified = true;
  if (OnChange) OnChange(this);
}

void TepWave::LoadFromStream(TStream* Stream) {
  image_.Clear();
  if (Stream != nullptr) {
    int64_t left = Stream->Size() - Stream->Position();
    if (left > 0) image_.CopyFrom(Stream, left);
  }
  image_.SetPosition(0);
  Changed();
}

void TepWave::SaveToStream(TStream* Stream) {
  if (Stream != nullptr && image_.Size() > 0) Stream->WriteBuffer(image_.Memory(), image_.Size());
}

void TepWave::LoadFromFile(const std::string& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&f);
}

void TepWave::SaveToFile(const std::string& FileName) {
  TFileStream f(FileName, fmCreate);
  SaveToStream(&f);
}

void TepWave::Assign(TPersistent* Source) {
  if (auto* w = dynamic_cast<TepWave*>(Source)) {
    if (w == this) return;
    image_.Clear();
    if (w->image_.Size() > 0) image_.WriteBuffer(w->image_.Memory(), w->image_.Size());
    image_.SetPosition(0);
    Changed();
    return;
  }
  if (Source == nullptr) {
    image_.Clear();
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

TepWavePlayer::TepWavePlayer(TComponent* AOwner) : TComponent(AOwner) {
  SetOptions(wpoSync);
  flags_ = sound::SND_MEMORY;
}

TepWavePlayer::~TepWavePlayer() { sound::StopSound(); }

void TepWavePlayer::SetOptions(TepWavePlayerOptions Value) {
  if (Value == options_ && flags_ != 0) return;
  options_ = Value;
  flags_ = sound::SND_MEMORY;
  if (Value & wpoAsync) flags_ |= sound::SND_ASYNC;
  if (Value & wpoNoDefault) flags_ |= sound::SND_NODEFAULT;
  if (Value & wpoLoop) flags_ |= sound::SND_LOOP;  // the output plays loops asynchronously
  if (Value & wpoNoStop) flags_ |= sound::SND_NOSTOP;
}

void TepWavePlayer::PlayWave() {
  if (BeforePlay) BeforePlay(this);
  if (Enabled) {
    TMemoryStream* image = wave_.WaveImage();
    sound::PlaySoundMemory(image->Size() > 0 ? image->Memory() : nullptr,
                           static_cast<size_t>(image->Size()), flags_);
  }
  if (AfterPlay) AfterPlay(this);
}

TepMorphButton::TepMorphButton(TComponent* AOwner)
    : TEffectGControl(AOwner),
      up_(std::make_unique<TBitmap>()),
      down_(std::make_unique<TBitmap>()),
      active_(std::make_unique<TBitmap>()) {
  // The click comes from the release inside the button, not from the standard handling.
  SetControlStyle(ControlStyle() & ~csClickEvents);
  SetBounds(Left(), Top(), 100, 100);
  timer_ = new TTimer(this);
  timer_->SetEnabled(false);
  timer_->SetInterval(100);
}

TepMorphButton::~TepMorphButton() = default;

void TepMorphButton::SetClickSound(TepWavePlayer* Value) {
  click_sound_ = Value;
  if (Value) Value->FreeNotification(this);
}

void TepMorphButton::SetActiveSound(TepWavePlayer* Value) {
  active_sound_ = Value;
  if (Value) Value->FreeNotification(this);
}

void TepMorphButton::Notification(TComponent* AComponent, TOperation Operation) {
  TEffectGControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove) {
    if (AComponent == click_sound_) click_sound_ = nullptr;
    if (AComponent == active_sound_) active_sound_ = nullptr;
  }
}

void TepMorphButton::SetGlyph(std::unique_ptr<TBitmap>& Glyph, TBitmap* Value) {
  if (Value == nullptr) {
    Glyph = std::make_unique<TBitmap>();
  } else {
    Glyph->Assign(Value);
  }
  Invalidate();
}

void TepMorphButton::SetUpGlyph(TBitmap* Value) { SetGlyph(up_, Value); }
void TepMorphButton::SetDownGlyph(TBitmap* Value) { SetGlyph(down_, Value); }
void TepMorphButton::SetActiveGlyph(TBitmap* Value) { SetGlyph(active_, Value); }

void TepMorphButton::SetGlyphsTransparent(bool Value) {
  glyphs_transparent_ = Value;
  Invalidate();
}

uint32_t TepMorphButton::Interval() const { return timer_->Interval(); }
void TepMorphButton::SetInterval(uint32_t Value) { timer_->SetInterval(Value); }

void TepMorphButton::FadeIn(TObject*) {
  if (morph >= 1) {
    timer_->SetEnabled(false);
    morph = 1;
  } else {
    morph += 0.1;
    RepaintOpaque();
  }
}

void TepMorphButton::FadeOut(TObject*) {
  if (morph > 0) {
    morph -= 0.1;
    RepaintOpaque();
  } else {
    timer_->SetEnabled(false);
    morph = 0;
  }
}

void TepMorphButton::MouseEnter() {
  mouseInside = true;
  if (!buttonDown || !HasDownGlyph()) {
    timer_->OnTimer = [this](TObject* s) { FadeIn(s); };
    timer_->SetEnabled(true);
  } else {
    morph = 1;
    RepaintOpaque();
  }
  if (active_sound_) active_sound_->PlayWave();
  TEffectGControl::MouseEnter();
}

void TepMorphButton::MouseLeave() {
  mouseInside = false;
  if (buttonDown && HasDownGlyph()) {
    morph = 1;
    RepaintOpaque();
  }
  timer_->OnTimer = [this](TObject* s) { FadeOut(s); };
  timer_->SetEnabled(true);
  TEffectGControl::MouseLeave();
}

void TepMorphButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == TMouseButton::mbLeft && !buttonDown) {
    buttonDown = true;
    mouseInside = true;
    if (HasDownGlyph()) {
      timer_->SetEnabled(false);
      RepaintOpaque();
    }
  }
  TEffectGControl::MouseDown(Button, Shift, X, Y);
}

void TepMorphButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == TMouseButton::mbLeft && buttonDown) {
    buttonDown = false;
    // Inside: the pointer has not left, and the release is over the button.
    const bool inside = mouseInside && PtInRect(ClientRect(), Point(X, Y));
    if (HasDownGlyph() && !timer_->Enabled()) {
      morph = inside ? 1 : 0;
      RepaintOpaque();
    }
    if (inside) {
      if (click_sound_) click_sound_->PlayWave();
      TEffectGControl::MouseUp(Button, Shift, X, Y);
      if (OnClick) OnClick(this);
      return;
    }
  }
  TEffectGControl::MouseUp(Button, Shift, X, Y);
}

void TepMorphButton::paintContent(TBitmap* Target) {
  if (up_->Empty() || active_->Empty()) return;
  TCanvas* c = Target->Canvas();
  if (buttonDown && mouseInside && HasDownGlyph()) {
    if (glyphs_transparent_)
      DrawKeyedBitmap(c, 0, 0, clDefault, down_.get());
    else
      c->Draw(0, 0, down_.get());
    return;
  }
  const int w = up_->Width(), h = up_->Height();
  TEffectBmp ea(up_.get());
  std::unique_ptr<TEffectBmp> eb;
  if (active_->Width() == w && active_->Height() == h) {
    eb = std::make_unique<TEffectBmp>(active_.get());
  } else {
    // The highlighted glyph is cut or padded to the normal glyph's size.
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(w, h);
    b.Canvas()->Draw(0, 0, active_.get());
    eb = std::make_unique<TEffectBmp>(&b);
  }
  ea.Blend(*eb, morph);
  if (glyphs_transparent_) {
    TBitmap a;
    ea.CopyTo(&a);
    DrawKeyedBitmap(c, 0, 0, clDefault, &a);
  } else {
    ea.Draw(c, 0, 0);
  }
}

}  // namespace controls
