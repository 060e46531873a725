// The flat frame of the skinned edit, memo and list box: the outer pixel in
// the border colour and the next in the control's colour, over what the
// control draws, following colour changes and resizes.
#include <gtest/gtest.h>

#include "controls/sui_edit.h"
#include "controls/sui_list_box.h"
#include "controls/sui_memo.h"
#include "platform/classlib/form.h"
#include "tests/controls/sui_test_util.h"

using namespace classlib;
using namespace controls;

namespace {

void ExpectFrame(TWinControl* Control, TColor Outer, TColor Inner) {
  auto shot = suitest::Shot(Control);
  const int w = Control->Width(), h = Control->Height();
  for (auto [x, y] : {std::pair{0, h / 2}, {w - 1, h / 2}, {w / 2, 0}, {w / 2, h - 1}})
    EXPECT_EQ(shot->PixelColor(x, y), ColorToRGB(Outer))
        << Control->ClassName() << " " << x << "," << y;
  for (auto [x, y] : {std::pair{1, h / 2}, {w - 2, h / 2}, {w / 2, 1}, {w / 2, h - 2}})
    EXPECT_EQ(shot->PixelColor(x, y), ColorToRGB(Inner))
        << Control->ClassName() << " " << x << "," << y;
}

TEST(SuiEditFrame, BorderedControlsFrameTheirOuterPixels) {
  TForm form(nullptr);
  form.SetClientSize(400, 300);
  auto* edit = new TsuiEdit(&form);
  auto* memo = new TsuiMemo(&form);
  auto* list = new TsuiListBox(&form);
  int y = 10;
  for (TWinControl* c : {static_cast<TWinControl*>(edit), static_cast<TWinControl*>(memo),
                         static_cast<TWinControl*>(list)}) {
    c->SetParent(&form);
    c->SetBounds(10, y, 150, c->Height());
    y += c->Height() + 10;
  }
  memo->Lines()->Add("text");
  list->Items()->Add("item");
  edit->SetText("text");
  for (TWinControl* c : {static_cast<TWinControl*>(edit), static_cast<TWinControl*>(memo),
                         static_cast<TWinControl*>(list)})
    ExpectFrame(c, FindFormBorderColor(&form), c->Color());
  edit->SetBorderColor(clRed);
  memo->SetBorderColor(clRed);
  list->SetBorderColor(clRed);
  list->SetBounds(10, y, 200, 120);  // the frame follows the new size
  for (TWinControl* c : {static_cast<TWinControl*>(edit), static_cast<TWinControl*>(memo),
                         static_cast<TWinControl*>(list)})
    ExpectFrame(c, clRed, c->Color());
}

}  // namespace
