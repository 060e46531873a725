#include "app/frame_capture.h"

#include <algorithm>
#include <cstring>
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

}  // namespace

bool CaptureFrame(TShockwaveFlashEx* Player, TWinControl* Stage, TBitmap* Frame, TBitmap* Alpha,
                  TBitmap* StageBitmap, int AlphaMode, int FrameNumber, int CropX, int CropY,
                  uint32_t KeyColor) {
  if (Frame == nullptr || Stage == nullptr) return false;
  try {
    if (FrameNumber >= 0 && Player != nullptr) {
      Player->GotoFrame(FrameNumber);
      Player->StopPlay();
    }
    const int fw = Frame->Width(), fh = Frame->Height();
    if (StageBitmap != nullptr && StageBitmap != Frame) {
      Stage->PaintTo(StageBitmap->Canvas(), 0, 0);
      // Only the part of the stage bitmap that the panel painted holds stage pixels.
      const int sw = std::min(StageBitmap->Width(), Stage->Width());
      const int sh = std::min(StageBitmap->Height(), Stage->Height());
      if (!Covers(sw, sh, CropX, CropY, fw, fh)) FillBitmap(Frame, PlayerBackground(Player));
      CopyClipped(Frame, StageBitmap, sw, sh, CropX, CropY);
    } else {
      if (!Covers(Stage->Width(), Stage->Height(), 0, 0, fw, fh)) FillBitmap(Frame, PlayerBackground(Player));
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
  } catch (const std::bad_alloc&) {
    // Running out of memory is a failure of the run, not a frame left blank.
    throw;
  } catch (const classlib::EOutOfMemory&) {
    throw;
  } catch (const std::exception&) {
    // A frame the player cannot paint keeps what the bitmaps held.
    return false;
  }
}

}  // namespace lumicast
