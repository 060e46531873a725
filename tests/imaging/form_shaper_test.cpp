// The window shaper: the form's region holds exactly the picture's non-key
// pixels, follows offsets and settings, and goes away with Active or the form.
#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "imaging/form_shaper.h"
#include "platform/classlib/form.h"
#include "platform/classlib/window_region.h"
#include "tests/support/test_bitmaps.h"

using namespace classlib;
using namespace lumicast;

namespace {

std::unique_ptr<TBitmap> Picture(int w, int h, uint32_t seed, TColor key) {
  auto b = lumitest::FilledBitmap(w, h, key);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (rng() % 3 == 0) b->Canvas()->SetPixels(x, y, static_cast<TColor>(rng() & 0xFFFFFF));
  return b;
}

void ExpectRegionMatches(TWinControl* c, TBitmap* b, TColor key, int dx = 0, int dy = 0) {
  TRegion r;
  ASSERT_NE(GetWindowRgn(c, r), RGN_ERROR);
  for (int y = 0; y < b->Height(); ++y)
    for (int x = 0; x < b->Width(); ++x)
      ASSERT_EQ(r.Contains(x + dx, y + dy), b->PixelColor(x, y) != key) << x << "," << y;
}

}  // namespace

TEST(FormShaper, ShapesItsOwnerFormByTheKeyColour) {
  TForm form(nullptr);
  form.SetBorderStyle(bsNone);
  form.SetClientSize(60, 40);
  auto* shaper = new TDIBFormShaper(&form);
  EXPECT_EQ(shaper->ControlToShape(), &form);
  auto pic = Picture(60, 40, 1, clYellow);
  shaper->SetTransparentMode(tmFixed);
  shaper->SetTransparentColor(clYellow);
  shaper->SetBitmap(pic.get());
  shaper->SetActive(true);
  ExpectRegionMatches(&form, pic.get(), clYellow);

  // Offsets move the region; a change re-applies it at once.
  shaper->SetOffsetX(5);
  shaper->SetOffsetY(-3);
  ExpectRegionMatches(&form, pic.get(), clYellow, 5, -3);

  shaper->SetActive(false);
  TRegion r;
  EXPECT_EQ(GetWindowRgn(&form, r), RGN_ERROR);
  EXPECT_FALSE(shaper->Active());
}

TEST(FormShaper, AutoModeKeysOnTheBottomLeftPixel) {
  TForm form(nullptr);
  auto* shaper = new TDIBFormShaper(&form);
  auto pic = lumitest::FilledBitmap(5, 4, clWhite);
  pic->Canvas()->SetPixels(2, 1, clBlack);
  pic->Canvas()->SetPixels(4, 0, clRed);
  shaper->SetBitmap(pic.get());
  shaper->SetActive(true);  // tmAuto by default
  ExpectRegionMatches(&form, pic.get(), clWhite);
}

TEST(FormShaper, ClientAreaOnlyMovesTheShapeOntoTheClientArea) {
  TForm form(nullptr);
  form.SetBorderStyle(bsSingle);
  form.SetClientSize(30, 20);
  auto* shaper = new TDIBFormShaper(&form);
  auto pic = Picture(30, 20, 4, clYellow);
  shaper->SetTransparentMode(tmFixed);
  shaper->SetBitmap(pic.get());
  shaper->SetClientAreaOnly(true);
  shaper->SetActive(true);
  const int dx = (form.Width() - form.ClientWidth()) / 2;
  const int dy = form.Height() - form.ClientHeight() - dx;
  ExpectRegionMatches(&form, pic.get(), clYellow, dx, dy);
}

TEST(FormShaper, OffsetsThatLeaveTheIntRangeDropRectangles) {
  TForm form(nullptr);
  auto* shaper = new TDIBFormShaper(&form);
  auto pic = lumitest::FilledBitmap(4, 4, clBlack);
  shaper->SetTransparentMode(tmFixed);
  shaper->SetBitmap(pic.get());
  shaper->SetOffsetX(INT_MAX - 1);
  TRegion r;
  EXPECT_FALSE(shaper->BuildRegion(r));
  shaper->SetOffsetX(INT_MIN);
  EXPECT_TRUE(shaper->BuildRegion(r));
  EXPECT_TRUE(r.Contains(INT_MIN, 0));
}

TEST(FormShaper, DestroyingTheShapedFormLeavesTheShaperInactive) {
  TDIBFormShaper shaper(nullptr);
  auto pic = Picture(10, 10, 2, clYellow);
  shaper.SetBitmap(pic.get());
  shaper.SetTransparentMode(tmFixed);
  {
    TForm form(nullptr);
    shaper.SetControlToShape(&form);
    shaper.SetActive(true);
    EXPECT_TRUE(shaper.Active());
  }
  EXPECT_FALSE(shaper.Active());
  EXPECT_EQ(shaper.ControlToShape(), nullptr);
  shaper.SetActive(false);  // nothing to unshape: no failure
}

TEST(FormShaper, AnAllKeyPictureLeavesTheWindowUnshaped) {
  TForm form(nullptr);
  auto* shaper = new TDIBFormShaper(&form);
  auto pic = lumitest::FilledBitmap(8, 8, clYellow);
  shaper->SetTransparentMode(tmFixed);
  shaper->SetBitmap(pic.get());
  shaper->SetActive(true);
  TRegion r;
  EXPECT_EQ(GetWindowRgn(&form, r), RGN_ERROR);
}
