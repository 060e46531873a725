// Loading the skinned controls' bitmaps by resource name without raising:
// a control with a missing image paints without it.
#pragma once

#include <string>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/exceptions.h"

namespace controls {

// Loads the named bitmap resource into Bitmap; false (Bitmap untouched) for
// an empty or unknown name or a resource that is not a bitmap.
inline bool LoadSkinBitmap(classlib::TBitmap* Bitmap, const std::string& Name) {
  if (Name.empty()) return false;
  try {
    classlib::TBitmap loaded;
    loaded.LoadFromResourceName(Name);
    Bitmap->Assign(&loaded);
    return true;
  } catch (const classlib::Exception&) {
    return false;
  }
}

}  // namespace controls
