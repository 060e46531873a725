// Where the speed button puts the lines of a wrapped caption.
#include <gtest/gtest.h>

#include "controls/rx_controls.h"
#include "platform/classlib/form.h"
#include "platform/classlib/std_controls.h"
#include "tests/support/test_bitmaps.h"

using namespace classlib;
using controls::TRxSpeedButton;

namespace {

// Leftmost and rightmost dark columns of the caption's second line.
std::pair<int, int> SecondLineExtent(TAlignment Alignment) {
  TForm form(nullptr);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  panel->SetBevelOuter(bvNone);
  panel->SetBounds(0, 0, 120, 60);
  auto* b = new TRxSpeedButton(&form);
  b->SetParent(panel);
  b->SetBounds(0, 0, 120, 60);
  b->SetWordWrap(true);
  b->SetCaption("Wide first line of text\nab");
  b->SetAlignment(Alignment);
  auto shot = lumitest::FilledBitmap(120, 60, clWhite);
  panel->PaintTo(shot->Canvas(), 0, 0);
  // The second line lies in the lower half of the text block.
  int left = 1000, right = -1;
  for (int y = 30; y < 45; ++y)
    for (int x = 3; x < 117; ++x)
      if ((ColorToRGB(shot->Canvas()->Pixels(x, y)) & 0xFF) < 0x60) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
  return {left, right};
}

}  // namespace

TEST(RxSpeedButton, CaptionAlignmentPlacesWrappedLines) {
  auto l = SecondLineExtent(taLeftJustify);
  auto c = SecondLineExtent(taCenter);
  auto r = SecondLineExtent(taRightJustify);
  ASSERT_GE(l.second, 0);
  EXPECT_LT(l.first, c.first);
  EXPECT_LT(c.first, r.first);
  EXPECT_LT(l.second, r.second);
}
