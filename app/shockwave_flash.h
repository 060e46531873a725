// The movie player control: a windowed control hosting the movie engine. It advances the movie
// only when its frame timer's WM_TIMER reaches it through WndProc (a subclass may withhold those
// messages to freeze it), raises OnFSCommand during the tick, and paints the current frame
// scaled to fit its client area with the aspect kept, aligned to the top-left corner. Mouse
// messages that reach its window go to the movie at the stage point under the pointer; while it
// has the focus, so do keys and typed text (it wants Tab, Enter and the arrows for the movie).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/live_preview.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/control.h"
#include "platform/classlib/timer.h"

namespace flash {
class Player;
}

namespace lumicast {

using TFSCommandEvent = std::function<void(classlib::TObject* Sender, const std::string& command,
                                           const std::string& args)>;
using TReadyStateChangeEvent = std::function<void(classlib::TObject* Sender, int32_t newState)>;
using TProgressEvent = std::function<void(classlib::TObject* Sender, int32_t percentDone)>;

class TShockwaveFlash : public classlib::TWinControl {
 public:
  explicit TShockwaveFlash(classlib::TComponent* AOwner);
  ~TShockwaveFlash() override;
  std::string ClassName() const override { return "TShockwaveFlash"; }

  void Play();
  void Back();
  void Forward();
  void StopPlay();
  void GotoFrame(int32_t FrameNum);  // 1-based; shown at once
  int32_t CurrentFrame() const;
  bool IsPlaying() const;
  // Loads a movie into a layer above the main movie (88 for the frame-signal movie).
  void LoadMovie(int32_t layer, const std::string& url);

  // The main movie's path; " " (one blank) unloads every layer, also from inside OnFSCommand.
  std::string Movie() const { return movie_; }
  void SetMovie(const std::string& Value);
  int32_t TotalFrames() const;
  // 0x00RRGGBB. Setting it overrides the movie's own colour until BGColor is set to " ".
  int32_t BackgroundColor() const;
  void SetBackgroundColor(int32_t Value);
  // "#RRGGBB" or " " (use the movie's colour).
  std::string BGColor() const;
  void SetBGColor(const std::string& Value);

  TFSCommandEvent OnFSCommand;
  TReadyStateChangeEvent OnReadyStateChange;  // never raised
  TProgressEvent OnProgress;                  // never raised

  // The current frame rendered at the client size: B, G, R, x rows of ClientWidth() * 4 bytes, top
  // row first, opaque. Rendered again only when the frame, size, background or quality changed
  // since the last picture; valid until the next call or paint. Null when the control has no
  // size. Painting the control draws exactly these pixels.
  const uint8_t* Picture();

  // While a conversion captures frames: each new picture is handed to a live preview, and the
  // window shows the newest whole picture the preview has ready, at most as often as the screen
  // refreshes and only when the user-interface thread is free, instead of painting every frame
  // on the capturing thread. Switching it off frees the preview and every picture it holds.
  void SetLivePreview(bool Value);
  TLivePreview* LivePreview() const { return live_.get(); }

  // The engine, for tools and tests that need more than the control's calls.
  flash::Player& Engine() { return *player_; }

  static constexpr uint32_t FrameTimerID = 1;

 protected:
  void PaintWindow(classlib::TCanvas* Canvas) override;
  void WMPaint(classlib::TMessage& Message) override;
  void WMTimer(classlib::TMessage& Message) override;
  void DefaultHandler(classlib::TMessage& Message) override;
  uint32_t DialogCode() const override;
  virtual void DoFSCommand(const std::string& command, const std::string& args);

 private:
  void FrameTick();
  // The player's own handling of the messages that reach its window; false for the others.
  bool PlayerMessage(classlib::TMessage& Message);
  // A client point in level 0's stage pixels, through the placement the picture uses.
  void ClientToStage(int x, int y, double& stage_x, double& stage_y) const;
  void PlayerKeyDown(uint16_t key, classlib::TShiftState shift);
  void UpdateTimer();
  // The shown frame changed: repainted now, or by the live preview when it has the picture.
  void PictureChanged();
  bool HasOverride() const { return bg_override_ >= 0; }

  std::unique_ptr<flash::Player> player_;
  std::string movie_ = " ";
  int32_t bg_override_ = -1;  // 0x00RRGGBB, -1 when the movie's colour shows
  uint32_t timer_interval_ = 0;

  // The last rendered picture and what it showed: a paint of the same frame at the same size,
  // background and quality copies it instead of rendering again. The buffers are kept from frame
  // to frame. The picture lies in own_pixels, or with a live preview in the preview's buffer.
  struct PaintCache {
    std::vector<uint8_t> own_pixels;
    const uint8_t* pixels = nullptr;
    std::unique_ptr<classlib::TBitmap> bitmap;
    bool bitmap_valid = false;  // the bitmap holds the pixels
    uint64_t version = 0;
    int width = 0, height = 0, quality = -1;
    int32_t background = -1;
    bool valid = false;
  } paint_cache_;

  std::unique_ptr<TLivePreview> live_;
  std::unique_ptr<classlib::TTimer> live_timer_;  // asks for a repaint when a picture is ready
};

}  // namespace lumicast
