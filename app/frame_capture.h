// Frame capture for the conversion window: the sizes of the player's panel (the stage) and of the
// encoded frame for a job, and the capture of one frame (paint the stage, crop, derive the alpha
// mask). The conversion window keeps the bitmaps, the player and the key colour and forwards its
// own GetFrameSizes and CaptureFrame to these functions.
#pragma once

#include <cstdint>
#include <functional>

#include "app/job_record.h"
#include "app/shockwave_flash_ex.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/control.h"
#include "platform/classlib/geometry.h"

namespace lumicast {

// Source's size scaled to fit inside Area with its aspect kept, placed at Area's top-left corner
// (sizes rounded half away from zero). A source of width or height 0 keeps its own size. The fit
// is limited by the width when Area is relatively taller than Source, else by the height (also
// when both ratios are equal).
classlib::TRect FitRectKeepAspect(const classlib::TRect& Source, const classlib::TRect& Area);

struct TFrameSizes {
  int FrameW = 0;  // the encoded frame
  int FrameH = 0;
  int StageW = 0;  // the player's panel
  int StageH = 0;
};

// Frame and stage sizes from the job's movie size, output size, crop size and the crop and
// keep-aspect flags.
TFrameSizes GetFrameSizes(const TCovSettings& Job);

// Alpha modes of CaptureFrame (0 or below: no mask).
enum : int { amNone = 0, amIntensity = 1, amSqrtIntensity = 2, amColorKey = 3 };

// Captures what the player shows into Frame.
// - FrameNumber >= 0 first sends the player to that frame and stops it; below 0 leaves it as it is.
// - With StageBitmap, Stage is painted into it at (0, 0) and the frame's width x height is copied
//   from it at (CropX, CropY). Frame pixels with no stage pixel behind them (a crop reaching past
//   the stage) take the player's background colour; nothing is read outside the stage bitmap or
//   outside the part of it that the stage painted (a stage bitmap larger than the stage).
// - Without StageBitmap, Stage is painted into Frame at (0, 0): a larger stage keeps its top-left
//   part, a smaller one leaves the rest in the player's background colour.
// - With Alpha and AlphaMode 1, 2 or 3 the mask is computed from the frame (intensity, square root
//   of intensity, key colour KeyColor given as 0x00RRGGBB).
// Returns false without a frame bitmap or stage, or when painting or masking fails (the bitmaps
// are then left as they are). Running out of memory is not a failed frame: it is thrown on.
bool CaptureFrame(TShockwaveFlashEx* Player, classlib::TWinControl* Stage, classlib::TBitmap* Frame,
                  classlib::TBitmap* Alpha, classlib::TBitmap* StageBitmap, int AlphaMode,
                  int FrameNumber, int CropX, int CropY, uint32_t KeyColor);

enum class TDirectCapture { Captured, Unavailable, Failed };

// CaptureFrame's capture straight into a 32-bit frame of Width x Height, for when the player alone
// makes up the stage: the frame the 24-bit capture makes, each pixel's fourth byte its mask value
// (AlphaMode 1, 2 or 3) or 255 (AlphaMode 0 or below). StageBitmap only limits, by its size, the
// part of the stage the frame is cropped from at (CropX, CropY); it is not written. Target is
// asked for the frame's pixels (top-down rows of Width * 4 bytes) only once the picture has been
// painted. Answers Unavailable, having done nothing, when the player does not fill the stage or
// the alpha mode is another; Failed when painting failed or Target gave no pixels (nothing was
// written then). Running out of memory is thrown on.
TDirectCapture CaptureFrameInto(TShockwaveFlashEx* Player, classlib::TWinControl* Stage, int Width,
                                int Height, classlib::TBitmap* StageBitmap, int AlphaMode,
                                int FrameNumber, int CropX, int CropY, uint32_t KeyColor,
                                const std::function<uint8_t*(int Width, int Height)>& Target);

}  // namespace lumicast
