// The flat border of skinned menus, drawn inside each menu window over the
// items once the window has painted.
#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <gtest/gtest.h>

#include "controls/sui_menu.h"
#include "controls/sui_themes.h"
#include "platform/classlib/control_qt.h"
#include "tests/support/test_bitmaps.h"

using namespace classlib;
using namespace controls;

TEST(SuiMenuFrame, FlatBorderLiesInsideTheWindow) {
  TsuiPopupMenu menu(nullptr);
  menu.SetUIStyle(TsuiUIStyle::DeepBlue);
  const TColor border = menu.BorderColor(), edge = GetThemeColor(TsuiUIStyle::DeepBlue, 3);
  auto img = lumitest::FilledBitmap(20, 10, clFuchsia);
  menu.DrawFlatBorder(img->Canvas(), Rect(0, 0, 20, 10));
  TCanvas* c = img->Canvas();
  EXPECT_EQ(c->Pixels(0, 5), border);
  EXPECT_EQ(c->Pixels(18, 5), border);
  EXPECT_EQ(c->Pixels(5, 1), border);
  EXPECT_EQ(c->Pixels(5, 8), border);
  EXPECT_EQ(c->Pixels(1, 5), clWhite);
  EXPECT_EQ(c->Pixels(17, 5), clWhite);
  EXPECT_EQ(c->Pixels(5, 2), clWhite);
  EXPECT_EQ(c->Pixels(5, 9), edge);   // bottom
  EXPECT_EQ(c->Pixels(19, 5), edge);  // right
  EXPECT_EQ(c->Pixels(5, 0), edge);   // top
  EXPECT_EQ(c->Pixels(0, 0), clFuchsia);
  EXPECT_EQ(c->Pixels(5, 5), clFuchsia);
}

TEST(SuiMenuFrame, MenuWindowsGetTheBorderOnlyWhenFlat) {
  TsuiPopupMenu menu(nullptr);
  menu.SetUIStyle(TsuiUIStyle::DeepBlue);
  auto* item = new TMenuItem(&menu);
  item->SetCaption("Convert");
  menu.Items()->Add(item);
  menu.HookMenuItemDrawing(menu.Items());
  const QColor border = QColorFor(menu.BorderColor());

  QMenu plain;
  BuildNativeMenu(&menu, &plain, menu.Items());
  QImage a = plain.grab().toImage();
  ASSERT_GT(a.height(), 4);
  EXPECT_NE(a.pixelColor(0, a.height() / 2), border);

  menu.SetFlatMenu(true);
  QMenu flat;
  BuildNativeMenu(&menu, &flat, menu.Items());
  QImage b = flat.grab().toImage();
  ASSERT_GT(b.height(), 4);
  EXPECT_EQ(b.pixelColor(0, b.height() / 2), border);
  EXPECT_EQ(b.pixelColor(1, b.height() / 2), QColor(Qt::white));
}
