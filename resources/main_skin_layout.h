// Layout of the main window's skin: where the generated background bitmap
// draws its bands, well and button rows, and where the main window places the
// controls that sit on them. Shared by the artwork generator and the window so
// the two cannot drift apart. All values are client coordinates in pixels.
#pragma once

namespace skin {

struct Box {
  int Left, Top, Width, Height;
  constexpr int Right() const { return Left + Width; }
  constexpr int Bottom() const { return Top + Height; }
};

// The whole client area; the outline is a rounded rectangle, the key colour
// (yellow, 0x00FFFF as a colour value) outside it.
constexpr int kClientWidth = 674;
constexpr int kClientHeight = 498;
constexpr int kCornerRadius = 12;

// Dark title band with the program's title.
constexpr Box kTitleBand{0, 0, kClientWidth, 36};
// Window buttons, 24x24, at the title band's right end.
constexpr Box kMinimizeButton{kClientWidth - 64, 6, 24, 24};
constexpr Box kCloseButton{kClientWidth - 36, 6, 24, 24};

// Framed well holding the job list and the preview.
constexpr Box kWell{12, 70, 440, 352};
// Rows for the text buttons: commands above the well, preview commands below.
constexpr Box kCommandRow{12, 42, 440, 24};
constexpr Box kPreviewRow{12, 426, 440, 24};
// Seek band under the preview row.
constexpr Box kSeekBand{12, 454, 440, 30};
// Right column for the job summary; the Convert button at its foot.
constexpr Box kSummaryColumn{464, 42, 198, 380};
constexpr Box kConvertButton{513, 440, 100, 36};

// The slider pieces.
constexpr int kSeekRulerWidth = 40;
constexpr int kSeekRulerHeight = 6;
constexpr int kSeekRulerEdge = 2;
constexpr int kSeekThumbWidth = 12;
constexpr int kSeekThumbHeight = 20;

}  // namespace skin
