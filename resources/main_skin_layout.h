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

// Inside the well: the panel holding the job list, the splitter and the preview, inset by the
// well's frame; the job list is a header and seven rows high.
constexpr int kWellInset = 3;
constexpr Box kListPanel{kWell.Left + kWellInset, kWell.Top + kWellInset,
                         kWell.Width - 2 * kWellInset, kWell.Height - 2 * kWellInset};
constexpr int kJobListHeight = 149;
constexpr int kSplitterHeight = 3;
constexpr int kPreviewMinHeight = 30;

// Text buttons in the two rows: first caption's left edge, gap between captions, and the
// caption's top inside its row.
constexpr int kTextButtonIndent = 10;
constexpr int kTextButtonGap = 16;
constexpr int kTextButtonTop = 4;
// The preview's frame counter at the right end of the preview row.
constexpr Box kFrameCounter{kPreviewRow.Right() - 128, kPreviewRow.Top + 5, 120, 14};
// The seek slider over the seek band.
constexpr Box kSeekSlider{kSeekBand.Left + 4, kSeekBand.Top - 1, kSeekBand.Width - 8, 32};

// The summary column: headings and one-line labels, each a box of the column's inner width.
constexpr int kSummaryInset = 8;
constexpr int kSummaryLabelLeft = kSummaryColumn.Left + kSummaryInset;
constexpr int kSummaryLabelWidth = kSummaryColumn.Width - 2 * kSummaryInset;
constexpr int kSummaryHeadingTop = kSummaryColumn.Top + 8;  // "Summary:"
constexpr int kSummaryHeadingHeight = 22;
constexpr int kSummarySourceTop = kSummaryHeadingTop + 30;  // "Source Properties:"
constexpr int kSummaryLabelHeight = 15;
constexpr int kSummaryLabelPitch = 18;
constexpr int kSummaryExportTop =
    kSummarySourceTop + kSummaryHeadingHeight + 6 * kSummaryLabelPitch + 12;
static_assert(kSummaryExportTop + kSummaryHeadingHeight + 7 * kSummaryLabelPitch <=
                  kSummaryColumn.Bottom(),
              "the summary fits its column");

// The slider pieces.
constexpr int kSeekRulerWidth = 40;
constexpr int kSeekRulerHeight = 6;
constexpr int kSeekRulerEdge = 2;
constexpr int kSeekThumbWidth = 12;
constexpr int kSeekThumbHeight = 20;

}  // namespace skin
