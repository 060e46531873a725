// A guide line over a window: a 1-pixel wide child window raised above its
// siblings and transparent to the mouse, which shows the pixels beneath it
// inverted, on screen and in PaintTo. Controls use it for lines that run over
// other windows while the user drags (the header's column-resize line).
#pragma once

#include <string>

#include "platform/classlib/control.h"

namespace classlib {

class TGuideLine : public TWinControl {
 public:
  explicit TGuideLine(TComponent* AOwner);
  std::string ClassName() const override { return "TGuideLine"; }

  // Shows the line in AParent's client area at X, from Y down Height pixels,
  // above every other child of AParent.
  void Place(TWinControl* AParent, int X, int Y, int Height);
  // Inverts the pixels of Canvas that the line covers.
  void PaintTo(TCanvas* Canvas, int X, int Y) override;

 protected:
  void CreateWnd() override;
};

}  // namespace classlib
