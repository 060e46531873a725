// The skinned progress bar's percentage, fill and fixed thickness in every
// style, and the image panel's picture drawing and auto size.
#include <gtest/gtest.h>

#include "controls/sui_image_panel.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/form.h"
#include "tests/controls/sui_test_util.h"
#include "tests/support/test_bitmaps.h"

using namespace classlib;
using namespace controls;
using suitest::kStyles;
using suitest::Shot;

TEST(SkinnedProgressBar, PercentageCaptionAndFillFollowTheRange) {
  TForm form(nullptr);
  auto* bar = new TsuiProgressBar(&form);
  bar->SetParent(&form);
  EXPECT_EQ(bar->Width(), 150);
  EXPECT_EQ(bar->Height(), 12);
  EXPECT_EQ(bar->Caption(), "50%");
  bar->SetMax(0);
  EXPECT_EQ(bar->Caption(), "0%");  // Min = Max
  EXPECT_EQ(bar->FillLength(149), 0);
  bar->SetMax(100);
  bar->SetPosition(150);  // not clamped
  EXPECT_EQ(bar->Caption(), "150%");
  EXPECT_EQ(bar->FillLength(149), 149);
  bar->SetPosition(25);
  EXPECT_EQ(bar->FillLength(100), 25);
  bar->SetMin(50);
  EXPECT_EQ(bar->Caption(), "-50%");
  EXPECT_EQ(bar->FillLength(100), 0);

  bar->SetBounds(0, 0, 150, 20);
  EXPECT_EQ(bar->Height(), 12);
  bar->SetOrientation(suiVertical);
  EXPECT_EQ(bar->Width(), 12);
  EXPECT_EQ(bar->Height(), 150);
  bar->SetBounds(0, 0, 30, 100);
  EXPECT_EQ(bar->Width(), 12);
}

TEST(SkinnedProgressBar, SmartCaptionHidesOnlyAtMin) {
  TForm form(nullptr);
  auto* bar = new TsuiProgressBar(&form);
  bar->SetParent(&form);
  bar->SetColor(clWhite);
  bar->SetSmartShowCaption(true);
  bar->SetPosition(0);
  auto at_min = Shot(bar);
  bar->SetPosition(1);
  auto above = Shot(bar);
  int ink_min = 0, ink_above = 0;
  for (int x = 60; x < 90; ++x)
    for (int y = 1; y < 11; ++y) {
      ink_min += at_min->PixelColor(x, y) != clWhite;
      ink_above += above->PixelColor(x, y) != clWhite;
    }
  EXPECT_EQ(ink_min, 0);
  EXPECT_GT(ink_above, 5);
}

TEST(SkinnedProgressBar, EveryStyleFillsWithItsBitmapAndFrames) {
  for (TsuiUIStyle style : kStyles) {
    TForm form(nullptr);
    auto* bar = new TsuiProgressBar(&form);
    bar->SetParent(&form);
    bar->SetUIStyle(style);
    ASSERT_NE(bar->Picture()->Graphic(), nullptr) << int(style);
    EXPECT_EQ(bar->Color(), GetThemeColor(style, 9));
    auto shot = Shot(bar);
    EXPECT_EQ(shot->PixelColor(0, 0), ColorToRGB(GetThemeColor(style, 8)));
    // Filled half: the bitmap; the rest: the background colour.
    EXPECT_EQ(shot->PixelColor(140, 6), ColorToRGB(GetThemeColor(style, 9)));
    EXPECT_NE(shot->PixelColor(10, 3), ColorToRGB(GetThemeColor(style, 9)));
    shot->SaveToFile("/tmp/sui_progress_" + std::to_string(int(style)) + ".bmp");
  }
}

TEST(SkinnedImagePanel, DrawsItsPictureAndAutoSizesUnlessAligned) {
  TForm form(nullptr);
  form.SetClientSize(300, 300);
  auto* panel = new TsuiImagePanel(&form);
  panel->SetParent(&form);
  panel->SetBounds(0, 0, 100, 80);
  panel->SetColor(clYellow);
  auto empty = Shot(panel);
  EXPECT_EQ(empty->PixelColor(50, 40), ColorToRGB(clYellow));

  auto pic = lumitest::FilledBitmap(20, 10, clRed);
  panel->SetDrawStyle(suiStretch);
  panel->Picture()->SetGraphic(pic.get());
  auto stretched = Shot(panel);
  EXPECT_EQ(stretched->PixelColor(99, 79), clRed);
  panel->SetDrawStyle(suiNormal);
  auto normal = Shot(panel);
  EXPECT_EQ(normal->PixelColor(5, 5), clRed);
  EXPECT_EQ(normal->PixelColor(50, 40), ColorToRGB(clYellow));

  panel->SetAutoSize(true);
  EXPECT_EQ(panel->Width(), 20);
  EXPECT_EQ(panel->Height(), 10);
  panel->SetAlign(TAlign::alClient);
  const int w = panel->Width(), h = panel->Height();
  auto other = lumitest::FilledBitmap(30, 40, clBlue);
  panel->Picture()->SetGraphic(other.get());
  EXPECT_EQ(panel->Width(), w);
  EXPECT_EQ(panel->Height(), h);
  panel->SetAlign(TAlign::alTop);
  panel->Picture()->SetGraphic(pic.get());
  EXPECT_EQ(panel->Height(), 10);
  EXPECT_EQ(panel->Width(), form.ClientWidth());
}
