// Test helpers for the skinned controls: the five built-in styles, a control
// painted into a bitmap, and how many pixels two pictures differ in.
#pragma once

#include <algorithm>
#include <memory>

#include "controls/sui_themes.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/control.h"

namespace suitest {

inline constexpr controls::TsuiUIStyle kStyles[] = {
    controls::TsuiUIStyle::MacOS, controls::TsuiUIStyle::WinXP, controls::TsuiUIStyle::DeepBlue,
    controls::TsuiUIStyle::Protein, controls::TsuiUIStyle::BlueGlass};

inline std::unique_ptr<classlib::TBitmap> Shot(classlib::TWinControl* Control) {
  auto b = std::make_unique<classlib::TBitmap>();
  b->SetPixelFormat(classlib::pf24bit);
  b->SetSize(Control->Width(), Control->Height());
  Control->PaintTo(b->Canvas(), 0, 0);
  return b;
}

inline int Differing(classlib::TBitmap* A, classlib::TBitmap* B) {
  int n = 0;
  for (int y = 0; y < std::min(A->Height(), B->Height()); ++y)
    for (int x = 0; x < std::min(A->Width(), B->Width()); ++x)
      n += A->PixelColor(x, y) != B->PixelColor(x, y);
  return n;
}

}  // namespace suitest
