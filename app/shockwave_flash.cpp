#include "app/shockwave_flash.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/clipboard.h"
#include "platform/classlib/messages.h"
#include "platform/classlib/pixel_paint.h"
#include "platform/flash/format/errors.h"
#include "platform/flash/player/input.h"
#include "platform/flash/player/player.h"
#include "platform/flash/stage_painter.h"

using namespace classlib;

namespace lumicast {

namespace {

std::string Trimmed(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

}  // namespace

TShockwaveFlash::TShockwaveFlash(TComponent* AOwner)
    : TWinControl(AOwner), player_(std::make_unique<flash::Player>()) {
  SetControlStyle(ControlStyle() | csSelfPaint | csOpaque);
  player_->on_fscommand = [this](const std::string& command, const std::string& args) {
    DoFSCommand(command, args);
  };
}

TShockwaveFlash::~TShockwaveFlash() {
  if (timer_interval_) KillTimer(FrameTimerID);
  live_timer_.reset();
  live_.reset();
}

void TShockwaveFlash::PictureChanged() {
  if (!live_) Invalidate();
}

void TShockwaveFlash::DoFSCommand(const std::string& command, const std::string& args) {
  if (OnFSCommand) OnFSCommand(this, command, args);
}

// --- playback ---

void TShockwaveFlash::Play() { player_->Play(); }

void TShockwaveFlash::StopPlay() { player_->Stop(); }

void TShockwaveFlash::Back() {
  player_->Back();
  PictureChanged();
}

void TShockwaveFlash::Forward() {
  player_->Forward();
  PictureChanged();
}

void TShockwaveFlash::GotoFrame(int32_t FrameNum) {
  player_->GotoFrame(FrameNum);
  PictureChanged();
}

int32_t TShockwaveFlash::CurrentFrame() const { return player_->CurrentFrame(); }

bool TShockwaveFlash::IsPlaying() const { return player_->IsPlaying(); }

int32_t TShockwaveFlash::TotalFrames() const { return player_->TotalFrames(); }

// --- loading ---

void TShockwaveFlash::SetMovie(const std::string& Value) {
  movie_ = Value;
  player_->UnloadAll();
  std::string path = Trimmed(Value);
  if (!path.empty()) {
    try {
      player_->LoadFile(0, path);
    } catch (const flash::FormatError&) {
      player_->UnloadAll();  // a movie that cannot be read leaves the player empty
    }
  }
  UpdateTimer();
  PictureChanged();
}

void TShockwaveFlash::LoadMovie(int32_t layer, const std::string& url) {
  std::string path = Trimmed(url);
  if (layer < 0) return;
  if (path.empty()) {
    player_->Unload(layer);
  } else {
    try {
      player_->LoadFile(layer, path);
    } catch (const flash::FormatError&) {
      player_->Unload(layer);
    }
  }
  UpdateTimer();
  PictureChanged();
}

// The frame timer runs while any layer holds a movie, at the main movie's rate (the first loaded
// layer's when there is no main movie), never slower than one frame a second.
void TShockwaveFlash::UpdateTimer() {
  const flash::MovieDef* movie = player_->Movie(0);
  if (!movie) movie = player_->Movie(88);
  uint32_t interval = 0;
  if (movie) {
    double rate = movie->header.frame_rate;
    interval =
        rate >= 1.0 ? static_cast<uint32_t>(std::max(1.0, std::round(1000.0 / rate))) : 1000u;
  }
  if (interval == timer_interval_) return;
  if (timer_interval_) KillTimer(FrameTimerID);
  timer_interval_ = interval;
  if (interval) SetTimer(FrameTimerID, interval);
}

// --- ticks ---

// The frame timer reaches the engine either through this handler or, when a subclass hands the
// message on to the default handler instead, through DefaultHandler; each message ticks once.
void TShockwaveFlash::WMTimer(TMessage& Message) {
  if (Message.TimerID() == FrameTimerID)
    FrameTick();
  else
    TWinControl::WMTimer(Message);
}

void TShockwaveFlash::DefaultHandler(TMessage& Message) {
  if (Message.Msg == WM_TIMER && Message.TimerID() == FrameTimerID) {
    FrameTick();
    return;
  }
  if (PlayerMessage(Message)) return;
  TWinControl::DefaultHandler(Message);
}

void TShockwaveFlash::FrameTick() {
  player_->Tick();
  UpdateTimer();  // a callback may have loaded or unloaded movies
  PictureChanged();
}

// --- mouse and keys ---

// The movie takes every key, Tab and Enter included, while the control has the focus.
uint32_t TShockwaveFlash::DialogCode() const {
  return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS;
}

void TShockwaveFlash::ClientToStage(int x, int y, double& stage_x, double& stage_y) const {
  const flash::Matrix view =
      flash::StageToView(player_->StageRect(), ClientWidth(), ClientHeight());
  stage_x = view.a > 0 ? (x - view.tx) / view.a / 20.0 : x;
  stage_y = view.d > 0 ? (y - view.ty) / view.d / 20.0 : y;
}

namespace {

TShiftState KeyShiftOf(const TMessage& Message) {
  return static_cast<TShiftState>((static_cast<uint64_t>(Message.LParam) >> 32) & 0xFF);
}

}  // namespace

// Keys go to the movie's key listeners and handlers first; the editing keys then act on the
// input field with the focus. The desktop's clipboard is the one fields copy to and paste from.
void TShockwaveFlash::PlayerKeyDown(uint16_t key, TShiftState shift) {
  const bool shifted = (shift & ssShift) != 0, ctrl = (shift & ssCtrl) != 0;
  player_->KeyDown(key, ctrl ? 0 : flash::CharacterOfKey(key, shifted));
  using flash::TextCommand;
  TextCommand command = TextCommand::Other;
  if (ctrl) {
    switch (key) {
      case 'A': command = TextCommand::SelectAll; break;
      case 'C': command = TextCommand::Copy; break;
      case 'X': command = TextCommand::Cut; break;
      case 'V': command = TextCommand::Paste; break;
      default: break;
    }
  } else {
    switch (key) {
      case VK_BACK: command = TextCommand::Backspace; break;
      case VK_DELETE: command = TextCommand::Delete; break;
      case VK_RETURN: command = TextCommand::Enter; break;
      case VK_LEFT: command = TextCommand::MoveLeft; break;
      case VK_RIGHT: command = TextCommand::MoveRight; break;
      case VK_HOME: command = TextCommand::MoveLeftLine; break;
      case VK_END: command = TextCommand::MoveRightLine; break;
      default: break;
    }
  }
  if (command == TextCommand::Other) return;
  if (command == TextCommand::Paste) player_->SetClipboard(Clipboard()->AsText());
  const std::string before = player_->input.clipboard;
  player_->TextControl(command);
  if ((command == TextCommand::Copy || command == TextCommand::Cut) &&
      player_->input.clipboard != before)
    Clipboard()->SetAsText(player_->input.clipboard);
}

bool TShockwaveFlash::PlayerMessage(TMessage& Message) {
  double x = 0, y = 0;
  switch (Message.Msg) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
    case WM_MBUTTONUP: ClientToStage(Message.XPos(), Message.YPos(), x, y); break;
    default: break;
  }
  switch (Message.Msg) {
    case WM_MOUSEMOVE: player_->MouseMove(x, y); break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: player_->MouseDown(x, y, flash::MouseButton::Left); break;
    case WM_LBUTTONUP: player_->MouseUp(x, y, flash::MouseButton::Left); break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: player_->MouseDown(x, y, flash::MouseButton::Right); break;
    case WM_RBUTTONUP: player_->MouseUp(x, y, flash::MouseButton::Right); break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: player_->MouseDown(x, y, flash::MouseButton::Middle); break;
    case WM_MBUTTONUP: player_->MouseUp(x, y, flash::MouseButton::Middle); break;
    case WM_KEYDOWN:
      PlayerKeyDown(static_cast<uint16_t>(Message.WParam), KeyShiftOf(Message));
      break;
    case WM_KEYUP: {
      const auto key = static_cast<uint16_t>(Message.WParam);
      player_->KeyUp(key, flash::CharacterOfKey(key, (KeyShiftOf(Message) & ssShift) != 0));
      break;
    }
    case WM_CHAR: player_->TextInput(static_cast<uint32_t>(Message.WParam)); break;
    case WM_KILLFOCUS:
      // Keys held while the focus leaves are released elsewhere: the movie forgets them.
      player_->input.keys_down.reset();
      return false;
    default: return false;
  }
  UpdateTimer();  // a script may have loaded or unloaded movies
  PictureChanged();
  return true;
}

// --- colours ---

int32_t TShockwaveFlash::BackgroundColor() const {
  if (HasOverride()) return bg_override_;
  flash::Rgba c = player_->Background();
  return c.r << 16 | c.g << 8 | c.b;
}

void TShockwaveFlash::SetBackgroundColor(int32_t Value) {
  bg_override_ = Value & 0xFFFFFF;
  PictureChanged();
}

std::string TShockwaveFlash::BGColor() const {
  if (!HasOverride()) return " ";
  char buf[16];
  std::snprintf(buf, sizeof buf, "#%06X", static_cast<unsigned>(bg_override_) & 0xFFFFFFu);
  return buf;
}

void TShockwaveFlash::SetBGColor(const std::string& Value) {
  std::string v = Trimmed(Value);
  if (v.size() == 7 && v[0] == '#') {
    char* end = nullptr;
    long c = std::strtol(v.c_str() + 1, &end, 16);
    if (end && *end == 0) {
      bg_override_ = static_cast<int32_t>(c);
      PictureChanged();
      return;
    }
  }
  bg_override_ = -1;  // " " and anything unreadable return to the movie's colour
  PictureChanged();
}

// --- painting ---

const uint8_t* TShockwaveFlash::Picture() {
  const int w = ClientWidth(), h = ClientHeight();
  if (w <= 0 || h <= 0) return nullptr;
  const int32_t bg = BackgroundColor();
  PaintCache& c = paint_cache_;
  const int quality = static_cast<int>(player_->quality);
  if (!c.valid || c.version != player_->DisplayVersion() || c.width != w || c.height != h ||
      c.background != bg || c.quality != quality) {
    flash::Rgba background{static_cast<uint8_t>(bg >> 16 & 0xFF),
                           static_cast<uint8_t>(bg >> 8 & 0xFF), static_cast<uint8_t>(bg & 0xFF),
                           255};
    c.valid = false;
    c.bitmap_valid = false;
    uint8_t* pixels;
    if (live_) {
      pixels = live_->PictureBuffer(w, h);
    } else {
      c.own_pixels.resize(static_cast<size_t>(w) * h * 4);
      pixels = c.own_pixels.data();
    }
    flash::RenderTarget target{pixels, w, h, w * 4};
    flash::PaintStage(*player_, target, background);
    // Only a window on screen needs the picture shown; a hidden one keeps the preview idle.
    if (live_ && Showing()) live_->Publish();
    c.pixels = pixels;
    c.version = player_->DisplayVersion();
    c.width = w;
    c.height = h;
    c.background = bg;
    c.quality = quality;
    c.valid = true;
  }
  return c.pixels;
}

void TShockwaveFlash::SetLivePreview(bool Value) {
  if (Value == (live_ != nullptr)) return;
  // The cached picture may lie in the preview's buffers: it is rendered again when next asked.
  paint_cache_.valid = false;
  paint_cache_.pixels = nullptr;
  live_timer_.reset();
  live_.reset();
  if (Value) {
    live_ = std::make_unique<TLivePreview>();
    live_timer_ = std::make_unique<TTimer>(nullptr);
    live_timer_->SetInterval(static_cast<uint32_t>(std::max(1, 1000 / ScreenRefreshRate())));
    live_timer_->SetOnTimer([this](TObject*) {
      if (live_ && live_->PictureWaiting()) Invalidate();
    });
  }
  Invalidate();
}

// On screen with a live preview, the window shows the preview's newest whole picture straight
// from its buffer when it has the window's size; before that (or after a resize) it paints as
// usual. Painting into a given canvas always renders the current frame.
void TShockwaveFlash::WMPaint(TMessage& Message) {
  if (live_ && Message.WParam == 0) {
    const TLivePreview::TPicture& p = live_->ShownPicture();
    if (p.width == ClientWidth() && p.height == ClientHeight() &&
        PaintPixels(this, p.pixels.data(), p.width, p.height, p.width * 4))
      return;
  }
  TWinControl::WMPaint(Message);
}

void TShockwaveFlash::PaintWindow(TCanvas* Canvas) {
  if (!Canvas) return;
  const uint8_t* pixels = Picture();
  if (!pixels) return;
  PaintCache& c = paint_cache_;
  const int w = c.width, h = c.height;
  if (!c.bitmap_valid) {
    if (!c.bitmap) {
      c.bitmap = std::make_unique<TBitmap>();
      c.bitmap->SetPixelFormat(pf32bit);
    }
    if (c.bitmap->Width() != w || c.bitmap->Height() != h) c.bitmap->SetSize(w, h);
    // The background is opaque, so the premultiplied pixels are the plain colours.
    for (int y = 0; y < h; ++y)
      CopyOpaque(pixels + static_cast<size_t>(y) * w * 4, c.bitmap->ScanLine(y), size_t(w));
    c.bitmap_valid = true;
  }
  Canvas->Draw(0, 0, c.bitmap.get());
}

}  // namespace lumicast
