// Bitmaps for tests: a new bitmap of a pixel format, filled with one colour.
#pragma once

#include <memory>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"

namespace lumitest {

inline std::unique_ptr<classlib::TBitmap> FilledBitmap(
    int w, int h, classlib::TColor fill, classlib::TPixelFormat format = classlib::pf24bit) {
  auto b = std::make_unique<classlib::TBitmap>();
  b->SetPixelFormat(format);
  b->SetSize(w, h);
  b->Canvas()->Brush()->SetColor(fill);
  b->Canvas()->FillRect(classlib::Rect(0, 0, w, h));
  return b;
}

}  // namespace lumitest
