#include <algorithm>

#include "imaging/gif_optimizer.h"

namespace lumicast {
namespace gifex {

void RunSizePasses(TGIFImageEx& Image) {
  // Cropping leaves local maps with entries no pixel of the cut frame uses:
  // ordering them by usage again drops those and shortens the codes.
  for (auto& f : Image.Frames())
    if (f->ColorMap().Count() > 1) f->ColorMap().Optimize();
}

}  // namespace gifex
}  // namespace lumicast
