#include "app/frame_capture.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <new>

#include "app/alpha_mask.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/math_utils.h"

using namespace classlib;

namespace lumicast {

TRect FitRectKeepAspect(const TRect& Source, const TRect& Area) {
  const int w = Source.Width(), h = Source.Height();
  const int W = Area.Width(), H = Area.Height();
  if (w == 0 || h == 0) return Bounds(Area.Left, Area.Top, w, h);
  if (static_cast<double>(H) / h > static_cast<double>(W) / w)
    return Bounds(Area.Left, Area.Top, W, MulDiv(h, W, w));
  return Bounds(Area.Left, Area.Top, MulDiv(w, H, h), H);
}

TFrameSizes GetFrameSizes(const TCovSettings& Job) {
  const TRect movie = Rect(0, 0, Job.swfW, Job.swfH);
  const TRect output = Rect(0, 0, Job.destW, Job.destH);
  TFrameSizes s;
  s.StageW = Job.destW;
  s.StageH = Job.destH;
  if (Job.destIsCrop) {
    if (Job.destIsKeepAspectRatio) {
      TRect frame = FitRectKeepAspect(movie, Rect(0, 0, Job.destCropW, Job.destCropH));
      TRect stage = FitRectKeepAspect(movie, output);
      s.FrameW = frame.Width();
      s.FrameH = frame.Height();
      s.StageW = stage.Width();
      s.StageH = stage.Height();
    } else {
      s.FrameW = Job.destCropW;
      s.FrameH = Job.destCropH;
    }
  } else if (Job.destIsKeepAspectRatio) {
    TRect frame = FitRectKeepAspect(movie, output);
    s.FrameW = frame.Width();
    s.FrameH = frame.Height();
  } else {
    s.FrameW = Job.destW;
    s.FrameH = Job.destH;
  }
  return s;
}

namespace {

// The player's background colour (0x00RRGGBB) as a canvas colour (0x00BBGGRR).
TColor PlayerBackground(TShockwaveFlashEx* Player) {
  if (Player == nullptr) return clBlack;
  const uint32_t c = static_cast<uint32_t>(Player->BackgroundColor());
  return static_cast<TColor>((c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF));
}

void FillBitmap(TBitmap* Bitmap, TColor Color) {
  TCanvas* canvas = Bitmap->Canvas();
  TBrush* brush = canvas->Brush();
  const TColor old_color = brush->Color();
  const TBrushStyle old_style = brush->Style();
  brush->SetColor(Color);
  canvas->FillRect(Rect(0, 0, Bitmap->Width(), Bitmap->Height()));
  brush->SetColor(old_color);
  brush->SetStyle(old_style);
}

// Plain copy of Src's pixels at (X, Y) and right/below into Dst at (0, 0), limited to the part of
// that rectangle that lies inside Src's first SrcW x SrcH pixels; Dst pixels outside it are not
// touched. Computed in 64 bits, so crop offsets near the ends of the integer range cannot wrap.
void CopyClipped(TBitmap* Dst, TBitmap* Src, int SrcW, int SrcH, int X, int Y) {
  const int64_t left = std::max<int64_t>(X, 0), top = std::max<int64_t>(Y, 0);
  const int64_t right = std::min<int64_t>(int64_t(X) + Dst->Width(), SrcW);
  const int64_t bottom = std::min<int64_t>(int64_t(Y) + Dst->Height(), SrcH);
  if (right <= left || bottom <= top) return;
  // Every value below lies inside one of the two bitmaps now.
  const TRect from = Rect(int(left), int(top), int(right), int(bottom));
  const int dx = int(left - X), dy = int(top - Y);
  const int bits = Src->BitsPerPixel();
  if (bits == Dst->BitsPerPixel() && bits >= 8 && bits % 8 == 0) {
    const size_t bpp = static_cast<size_t>(bits / 8);
    const size_t count = static_cast<size_t>(from.Width()) * bpp;
    for (int y = from.Top; y < from.Bottom; ++y)
      std::memcpy(Dst->ScanLine(y - from.Top + dy) + static_cast<size_t>(dx) * bpp,
                  Src->ScanLine(y) + static_cast<size_t>(from.Left) * bpp, count);
    return;
  }
  // Bitmaps of different formats: the canvas converts the colours.
  TCanvas* canvas = Dst->Canvas();
  const TCopyMode mode = canvas->CopyMode();
  canvas->SetCopyMode(cmSrcCopy);
  canvas->CopyRect(Bounds(dx, dy, from.Width(), from.Height()), Src->Canvas(), from);
  canvas->SetCopyMode(mode);
}

bool Covers(int OuterW, int OuterH, int Left, int Top, int InnerW, int InnerH) {
  return Left >= 0 && Top >= 0 && static_cast<int64_t>(Left) + InnerW <= OuterW &&
         static_cast<int64_t>(Top) + InnerH <= OuterH;
}

// True when the player alone makes up what the stage shows: a visible child at the stage's
// top-left corner covering it, without a border or children of its own, with no windowed control
// painted over it. The stage's pixels are then the player's picture.
bool PlayerFillsStage(TShockwaveFlashEx* Player, TWinControl* Stage) {
  if (Player == nullptr || Player->Parent() != Stage || !Player->Visible()) return false;
  if (Player->Left() != 0 || Player->Top() != 0 || Player->ControlCount() != 0) return false;
  if (Player->ClientWidth() != Player->Width() || Player->ClientHeight() != Player->Height())
    return false;
  if (Player->Width() < Stage->Width() || Player->Height() < Stage->Height()) return false;
  bool found = false;
  for (int i = 0; i < Stage->ControlCount(); ++i) {
    TControl* c = Stage->Controls(i);
    if (c == Player) {
      found = true;
    } else if (found && c->Visible() && dynamic_cast<TWinControl*>(c) != nullptr) {
      return false;  // painted later, over the player
    }
  }
  return found;
}

// How the mask byte of a B, G, R pixel is computed, as the alpha-mask functions compute it.
struct TMaskRule {
  int Mode = amNone;
  const uint8_t* Table = nullptr;
  uint8_t KeyB = 0, KeyG = 0, KeyR = 0;

  // Count mask bytes, Step bytes apart, from pixels PixelBytes bytes apart.
  template <int PixelBytes>
  void Row(const uint8_t* Pixels, uint8_t* Mask, int Count, int Step) const {
    switch (Mode) {
      case amColorKey:
        for (int x = 0; x < Count; ++x, Pixels += PixelBytes, Mask += Step)
          *Mask = Pixels[0] == KeyB && Pixels[1] == KeyG && Pixels[2] == KeyR ? 0 : 255;
        break;
      case amSqrtIntensity:
        for (int x = 0; x < Count; ++x, Pixels += PixelBytes, Mask += Step)
          *Mask = Table[PixelIntensity(Pixels)];
        break;
      default:
        for (int x = 0; x < Count; ++x, Pixels += PixelBytes, Mask += Step)
          *Mask = PixelIntensity(Pixels);
        break;
    }
  }
};

TMaskRule MaskRuleFor(int AlphaMode, uint32_t KeyColor) {
  TMaskRule rule;
  rule.Mode = AlphaMode;
  if (AlphaMode == amSqrtIntensity) rule.Table = SqrtAlphaTable();
  rule.KeyB = static_cast<uint8_t>(KeyColor);
  rule.KeyG = static_cast<uint8_t>(KeyColor >> 8);
  rule.KeyR = static_cast<uint8_t>(KeyColor >> 16);
  return rule;
}

bool IsMaskMode(int AlphaMode) { return AlphaMode >= amIntensity && AlphaMode <= amColorKey; }

// Where a frame's pixels come from in the player's picture (B, G, R, x rows of PicW pixels):
// frame pixel (x, y) takes picture pixel (x + X, y + Y) where that lies inside the picture's first
// AvailW x AvailH pixels, the Background colour (0x00RRGGBB) elsewhere.
struct TPictureSource {
  const uint8_t* Picture = nullptr;
  int PicW = 0, AvailW = 0, AvailH = 0, X = 0, Y = 0;
  uint32_t Background = 0;
};

// Writes the frame's rows through Put(y, row, from, to, fill): the picture row's pixels from
// column `from` to `to` (null when the row has none) and the background elsewhere.
template <typename TPut>
void ForEachFrameRow(const TPictureSource& S, int W, int H, TPut Put) {
  // The columns with a picture pixel behind them, in 64 bits against wrapping.
  const int x0 = int(std::clamp<int64_t>(-int64_t(S.X), 0, W));
  const int x1 = int(std::clamp<int64_t>(int64_t(S.AvailW) - S.X, x0, W));
  for (int y = 0; y < H; ++y) {
    const int64_t sy = int64_t(y) + S.Y;
    if (sy >= 0 && sy < S.AvailH && x1 > x0)
      Put(y, S.Picture + (size_t(sy) * size_t(S.PicW) + size_t(int64_t(S.X) + x0)) * 4, x0, x1);
    else
      Put(y, nullptr, 0, 0);
  }
}

// Copies the picture into the 24-bit bitmap Dst; with Mask, its bytes are computed row by row in
// the same pass, while the row is at hand.
void CopyPicture(const TPictureSource& S, TBitmap* Dst, TBitmap* Mask, const TMaskRule& Rule) {
  const int w = Dst->Width();
  const uint8_t bg[3] = {static_cast<uint8_t>(S.Background),
                         static_cast<uint8_t>(S.Background >> 8),
                         static_cast<uint8_t>(S.Background >> 16)};
  auto fill = [&bg](uint8_t* d, int from, int to) {
    for (int x = from; x < to; ++x) std::memcpy(d + size_t(x) * 3, bg, 3);
  };
  ForEachFrameRow(S, w, Dst->Height(), [&](int y, const uint8_t* s, int x0, int x1) {
    uint8_t* d = Dst->ScanLine(y);
    fill(d, 0, x0);
    int x = x0;
    if constexpr (std::endian::native == std::endian::little) {
      // Four pixels into three words at a time.
      for (; x + 4 <= x1; x += 4, s += 16) {
        uint32_t in[4], out[3];
        std::memcpy(in, s, 16);
        out[0] = (in[0] & 0xFFFFFFu) | in[1] << 24;
        out[1] = (in[1] >> 8 & 0xFFFFu) | in[2] << 16;
        out[2] = (in[2] >> 16 & 0xFFu) | in[3] << 8;
        std::memcpy(d + size_t(x) * 3, out, 12);
      }
    }
    for (; x < x1; ++x, s += 4) std::memcpy(d + size_t(x) * 3, s, 3);
    fill(d, x1, w);
    if (Mask != nullptr) Rule.Row<3>(d, Mask->ScanLine(y), w, 1);
  });
}

// Copies N pixels with their alpha bytes made opaque. Every frame of a conversion passes
// through here, so the loop is built for AVX2 as well as the base instruction set (the
// processor picks at load time) and left to the vectoriser.
__attribute__((target_clones("avx2", "default"))) void CopyOpaqueRow(
    const uint8_t* __restrict s, uint32_t* __restrict d, int n, uint32_t opaque) {
  for (int x = 0; x < n; ++x) {
    uint32_t v;
    std::memcpy(&v, s + size_t(x) * 4, 4);
    d[x] = v | opaque;
  }
}

// Copies the picture into top-down B, G, R, A rows of W pixels at Dst. The A bytes are the mask's
// (computed in the same pass) with a mask rule, 255 without one.
void CopyPicture32(const TPictureSource& S, uint8_t* Dst, int W, int H, const TMaskRule* Rule) {
  const uint32_t opaque = std::endian::native == std::endian::little ? 0xFF000000u : 0xFFu;
  uint32_t bg = 0;
  const uint8_t bg_bytes[4] = {static_cast<uint8_t>(S.Background),
                               static_cast<uint8_t>(S.Background >> 8),
                               static_cast<uint8_t>(S.Background >> 16), 255};
  std::memcpy(&bg, bg_bytes, 4);
  ForEachFrameRow(S, W, H, [&](int y, const uint8_t* s, int x0, int x1) {
    uint8_t* row = Dst + size_t(y) * size_t(W) * 4;
    auto* d = reinterpret_cast<uint32_t*>(row);
    std::fill(d, d + x0, bg);
    CopyOpaqueRow(s, d + x0, x1 - x0, opaque);
    std::fill(d + x1, d + W, bg);
    if (Rule != nullptr) Rule->Row<4>(row, row + 3, W, 4);
  });
}

// The player's picture and where the frame lies in it when the player fills the stage; with a
// stage bitmap the frame is cropped at (CropX, CropY) from the part of the stage it holds.
TPictureSource PictureSource(TShockwaveFlashEx* Player, TWinControl* Stage, TBitmap* StageBitmap,
                             TBitmap* Frame, int CropX, int CropY) {
  TPictureSource s;
  s.AvailW = Stage->Width();
  s.AvailH = Stage->Height();
  s.Picture = s.AvailW > 0 && s.AvailH > 0 ? Player->Picture() : nullptr;
  s.PicW = Player->ClientWidth();
  if (s.Picture == nullptr) s.AvailW = s.AvailH = 0;
  if (StageBitmap != nullptr && StageBitmap != Frame) {
    s.AvailW = std::min(s.AvailW, StageBitmap->Width());
    s.AvailH = std::min(s.AvailH, StageBitmap->Height());
    s.X = CropX;
    s.Y = CropY;
  }
  s.Background = static_cast<uint32_t>(Player->BackgroundColor()) & 0xFFFFFFu;
  return s;
}

// The capture when the player fills the stage: its kept picture goes straight into the frame,
// with the mask in the same pass; the stage bitmap still receives the stage's pixels.
bool CaptureFromPicture(TShockwaveFlashEx* Player, TWinControl* Stage, TBitmap* Frame,
                        TBitmap* Alpha, TBitmap* StageBitmap, int AlphaMode, int CropX, int CropY,
                        uint32_t KeyColor) {
  if (Frame->BitsPerPixel() != 24 || (StageBitmap != nullptr && StageBitmap->BitsPerPixel() != 24))
    return false;
  const TPictureSource source = PictureSource(Player, Stage, StageBitmap, Frame, CropX, CropY);
  if (StageBitmap != nullptr && StageBitmap != Frame) {
    for (int row = 0; row < source.AvailH; ++row) {
      uint8_t* d = StageBitmap->ScanLine(row);
      const uint8_t* s = source.Picture + size_t(row) * size_t(source.PicW) * 4;
      for (int col = 0; col < source.AvailW; ++col, d += 3, s += 4) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
      }
    }
  }
  TMaskRule rule;
  TBitmap* mask = nullptr;
  if (Alpha != nullptr && Alpha != Frame && IsMaskMode(AlphaMode)) {
    mask = Alpha;
    mask->SetPixelFormat(pf8bit);
    mask->SetSize(Frame->Width(), Frame->Height());
    rule = MaskRuleFor(AlphaMode, KeyColor);
  }
  CopyPicture(source, Frame, mask, rule);
  return true;
}

// Running out of memory is a failure of the run, not a frame left blank: it is thrown on; any
// other failure to paint answers Failed.
template <typename TBody>
auto Guarded(TBody Body, decltype(Body()) Failed) {
  try {
    return Body();
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const classlib::EOutOfMemory&) {
    throw;
  } catch (const std::exception&) {
    return Failed;
  }
}

}  // namespace

bool CaptureFrame(TShockwaveFlashEx* Player, TWinControl* Stage, TBitmap* Frame, TBitmap* Alpha,
                  TBitmap* StageBitmap, int AlphaMode, int FrameNumber, int CropX, int CropY,
                  uint32_t KeyColor) {
  if (Frame == nullptr || Stage == nullptr) return false;
  // A frame the player cannot paint keeps what the bitmaps held.
  return Guarded(
      [&] {
        if (FrameNumber >= 0 && Player != nullptr) {
          Player->GotoFrame(FrameNumber);
          Player->StopPlay();
        }
        if (PlayerFillsStage(Player, Stage) &&
            CaptureFromPicture(Player, Stage, Frame, Alpha, StageBitmap, AlphaMode, CropX, CropY,
                               KeyColor))
          return true;
        const int fw = Frame->Width(), fh = Frame->Height();
        if (StageBitmap != nullptr && StageBitmap != Frame) {
          Stage->PaintTo(StageBitmap->Canvas(), 0, 0);
          // Only the part of the stage bitmap that the panel painted holds stage pixels.
          const int sw = std::min(StageBitmap->Width(), Stage->Width());
          const int sh = std::min(StageBitmap->Height(), Stage->Height());
          if (!Covers(sw, sh, CropX, CropY, fw, fh)) FillBitmap(Frame, PlayerBackground(Player));
          CopyClipped(Frame, StageBitmap, sw, sh, CropX, CropY);
        } else {
          if (!Covers(Stage->Width(), Stage->Height(), 0, 0, fw, fh))
            FillBitmap(Frame, PlayerBackground(Player));
          Stage->PaintTo(Frame->Canvas(), 0, 0);
        }
        if (Alpha != nullptr) {
          switch (AlphaMode) {
            case amIntensity: IntensityToAlpha(Alpha, Frame, false); break;
            case amSqrtIntensity: IntensityToAlpha(Alpha, Frame, true); break;
            case amColorKey: ColorKeyToAlpha(Alpha, Frame, KeyColor); break;
            default: break;
          }
        }
        return true;
      },
      false);
}

TDirectCapture CaptureFrameInto(TShockwaveFlashEx* Player, TWinControl* Stage, int Width,
                                int Height, TBitmap* StageBitmap, int AlphaMode, int FrameNumber,
                                int CropX, int CropY, uint32_t KeyColor,
                                const std::function<uint8_t*(int Width, int Height)>& Target) {
  if (Stage == nullptr || Width <= 0 || Height <= 0 || !Target ||
      (AlphaMode > amNone && !IsMaskMode(AlphaMode)) || !PlayerFillsStage(Player, Stage))
    return TDirectCapture::Unavailable;
  TPictureSource source;
  const bool painted = Guarded(
      [&] {
        if (FrameNumber >= 0) {
          Player->GotoFrame(FrameNumber);
          Player->StopPlay();
        }
        source = PictureSource(Player, Stage, StageBitmap, nullptr, CropX, CropY);
        return true;
      },
      false);
  if (!painted) return TDirectCapture::Failed;
  uint8_t* pixels = Target(Width, Height);
  if (pixels == nullptr) return TDirectCapture::Failed;
  const TMaskRule rule = MaskRuleFor(AlphaMode, KeyColor);
  CopyPicture32(source, pixels, Width, Height, IsMaskMode(AlphaMode) ? &rule : nullptr);
  return TDirectCapture::Captured;
}

}  // namespace lumicast
