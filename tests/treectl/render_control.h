// Renders a windowed control off-screen into a new 32-bit bitmap (filled with
// fuchsia first, so unpainted pixels stand out). With LUMICAST_DUMP_DIR set
// each picture is also saved there as a BMP, to look at by hand.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/control.h"
#include "tests/support/test_bitmaps.h"

namespace lumitest {

inline std::unique_ptr<classlib::TBitmap> RenderControl(classlib::TWinControl* Control,
                                                        const std::string& Tag) {
  auto b =
      FilledBitmap(Control->Width(), Control->Height(), classlib::clFuchsia, classlib::pf32bit);
  Control->PaintTo(b->Canvas(), 0, 0);
  if (const char* dir = std::getenv("LUMICAST_DUMP_DIR")) {
    static int n = 0;
    b->SaveToFile(std::string(dir) + "/" + Tag + std::to_string(n++) + ".bmp");
  }
  return b;
}

// The smallest rectangle holding the pixels of Color inside R (empty when none).
inline classlib::TRect ColorBox(classlib::TCanvas* Canvas, const classlib::TRect& R,
                                classlib::TColor Color) {
  classlib::TRect box{R.Right, R.Bottom, R.Left, R.Top};
  for (int y = R.Top; y < R.Bottom; ++y)
    for (int x = R.Left; x < R.Right; ++x)
      if (Canvas->Pixels(x, y) == Color) {
        box.Left = std::min(box.Left, x);
        box.Top = std::min(box.Top, y);
        box.Right = std::max(box.Right, x + 1);
        box.Bottom = std::max(box.Bottom, y + 1);
      }
  return box;
}

}  // namespace lumitest
