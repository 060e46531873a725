// TepMorphButton: a windowless glyph button that cross-fades from its normal
// glyph to its highlighted one while the pointer is over it and shows its
// down glyph while pressed; TepWave and TepWavePlayer hold and play the
// sounds it can make on hover and on click.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "controls/effect_controls.h"
#include "platform/classlib/stream.h"
#include "platform/classlib/timer.h"

namespace controls {

// A complete wave file image in memory.
class TepWave : public classlib::TPersistent {
 public:
  TepWave();
  std::string ClassName() const override { return "TepWave"; }
  classlib::TMemoryStream* WaveImage() { return &image_; }
  bool Modified = false;
  classlib::TNotifyEvent OnChange;

  // The rest of the stream, from its position, is the image.
  void LoadFromStream(classlib::TStream* Stream);
  void SaveToStream(classlib::TStream* Stream);
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName);
  // The binary property "Data": the whole stream is the image (always written).
  void ReadData(classlib::TStream* Stream) { LoadFromStream(Stream); }
  void WriteData(classlib::TStream* Stream) { SaveToStream(Stream); }
  void Assign(classlib::TPersistent* Source) override;

 private:
  void Changed();
  classlib::TMemoryStream image_;
};

enum TepWavePlayerOption : uint8_t {
  wpoSync = 1 << 0,
  wpoAsync = 1 << 1,
  wpoNoDefault = 1 << 2,
  wpoLoop = 1 << 3,
  wpoNoStop = 1 << 4,
};
using TepWavePlayerOptions = uint8_t;

class TepWavePlayer : public classlib::TComponent {
 public:
  explicit TepWavePlayer(classlib::TComponent* AOwner);
  ~TepWavePlayer() override;  // stops any sound playing
  std::string ClassName() const override { return "TepWavePlayer"; }

  bool Enabled = true;
  TepWavePlayerOptions Options() const { return options_; }
  void SetOptions(TepWavePlayerOptions Value);
  TepWave* Wave() { return &wave_; }
  void SetWave(TepWave* Value) { wave_.Assign(Value); }
  // The sound output's flags for the options: memory image always, plus
  // async 1, no default 2, loop 8, no stop 16.
  uint32_t SoundFlags() const { return flags_; }

  classlib::TNotifyEvent BeforePlay;
  classlib::TNotifyEvent AfterPlay;
  // BeforePlay; the sound when Enabled; AfterPlay.
  void PlayWave();

 private:
  TepWavePlayerOptions options_ = wpoSync;
  uint32_t flags_ = 0;
  TepWave wave_;
};

class TepMorphButton : public TEffectGControl {
 public:
  explicit TepMorphButton(classlib::TComponent* AOwner);
  ~TepMorphButton() override;
  std::string ClassName() const override { return "TepMorphButton"; }

  TepWavePlayer* ClickSound() const { return click_sound_; }
  void SetClickSound(TepWavePlayer* Value);
  TepWavePlayer* ActiveSound() const { return active_sound_; }
  void SetActiveSound(TepWavePlayer* Value);
  classlib::TBitmap* UpGlyph() const { return up_.get(); }
  classlib::TBitmap* DownGlyph() const { return down_.get(); }
  classlib::TBitmap* ActiveGlyph() const { return active_.get(); }
  void SetUpGlyph(classlib::TBitmap* Value);
  void SetDownGlyph(classlib::TBitmap* Value);
  void SetActiveGlyph(classlib::TBitmap* Value);
  bool GlyphsTransparent() const { return glyphs_transparent_; }
  void SetGlyphsTransparent(bool Value);
  uint32_t Interval() const;
  void SetInterval(uint32_t Value);

  // 0 shows the normal glyph, 1 the highlighted one.
  double morph = 0;
  bool mouseInside = false;
  bool buttonDown = false;
  // The fade timer (stepped by tests).
  classlib::TTimer* Timer() const { return timer_; }

 protected:
  void paintContent(classlib::TBitmap* Target) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void MouseDown(classlib::TMouseButton Button, classlib::TShiftState Shift, int X, int Y) override;
  void MouseUp(classlib::TMouseButton Button, classlib::TShiftState Shift, int X, int Y) override;
  void Notification(classlib::TComponent* AComponent, classlib::TOperation Operation) override;

 private:
  void FadeIn(classlib::TObject* Sender);
  void FadeOut(classlib::TObject* Sender);
  void SetGlyph(std::unique_ptr<classlib::TBitmap>& Glyph, classlib::TBitmap* Value);
  bool HasDownGlyph() const { return !down_->Empty(); }

  TepWavePlayer* click_sound_ = nullptr;
  TepWavePlayer* active_sound_ = nullptr;
  std::unique_ptr<classlib::TBitmap> up_, down_, active_;
  bool glyphs_transparent_ = false;
  classlib::TTimer* timer_ = nullptr;
};

}  // namespace controls
