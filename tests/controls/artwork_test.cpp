// The generated artwork: every resource present with its size, the main
// background's outline and colours, glyphs that repeat the background around
// their shapes, and the cursors.
#include <gtest/gtest.h>

#include <cmath>

#include "imaging/form_shaper.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/form.h"
#include "platform/classlib/resources.h"
#include "platform/classlib/window_region.h"
#include "resources/main_skin_layout.h"

using namespace classlib;

namespace {

std::unique_ptr<TBitmap> Load(const std::string& name) {
  auto b = std::make_unique<TBitmap>();
  b->LoadFromResourceName(name);
  return b;
}

// The intended outline: pixel centres inside the rounded client rectangle.
bool InsideOutline(int x, int y) {
  const double px = x + 0.5, py = y + 0.5, r = skin::kCornerRadius;
  const double cx = std::clamp(px, r, skin::kClientWidth - r),
               cy = std::clamp(py, r, skin::kClientHeight - r);
  return (px - cx) * (px - cx) + (py - cy) * (py - cy) <= r * r;
}

double Linear(int c) {
  const double s = c / 255.0;
  return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
}
double Luminance(TColor c) {
  return 0.2126 * Linear(GetRValue(c)) + 0.7152 * Linear(GetGValue(c)) +
         0.0722 * Linear(GetBValue(c));
}

}  // namespace

TEST(Artwork, EveryResourceHasItsSize) {
  struct Want {
    const char* name;
    int w, h, bits;
  } wants[] = {
      {"MAIN_BACKGROUND", 674, 498, 24},    {"MAIN_SEEK_RULER", 40, 6, 24},
      {"MAIN_SEEK_THUMB", 12, 20, 24},      {"MAIN_MINIMIZE_UP", 24, 24, 24},
      {"MAIN_MINIMIZE_ACTIVE", 24, 24, 24}, {"MAIN_MINIMIZE_DOWN", 24, 24, 24},
      {"MAIN_CLOSE_UP", 24, 24, 24},        {"MAIN_CLOSE_ACTIVE", 24, 24, 24},
      {"MAIN_CLOSE_DOWN", 24, 24, 24},      {"MAIN_CONVERT_UP", 100, 36, 24},
      {"MAIN_CONVERT_ACTIVE", 100, 36, 24}, {"MAIN_CONVERT_DOWN", 100, 36, 24},
      {"RX_HANDCUR", 32, 32, 32},           {"RX_DRAGCUR", 32, 32, 32},
  };
  for (const Want& w : wants) {
    auto b = Load(w.name);
    EXPECT_EQ(b->Width(), w.w) << w.name;
    EXPECT_EQ(b->Height(), w.h) << w.name;
    EXPECT_EQ(b->BitsPerPixel(), w.bits) << w.name;
  }
  try {
    Load("NO_SUCH_ART");
    FAIL();
  } catch (const EResNotFound& e) {
    EXPECT_STREQ(e.what(), "Resource NO_SUCH_ART not found");
  }
}

TEST(Artwork, TheBackgroundShapesAFormToItsRoundedOutline) {
  auto bg = Load("MAIN_BACKGROUND");
  for (int y = 0; y < bg->Height(); ++y)
    for (int x = 0; x < bg->Width(); ++x)
      ASSERT_EQ(bg->PixelColor(x, y) == clYellow, !InsideOutline(x, y)) << x << "," << y;

  TForm form(nullptr);
  form.SetBorderStyle(bsNone);
  form.SetClientSize(skin::kClientWidth, skin::kClientHeight);
  auto* shaper = new lumicast::TDIBFormShaper(&form);
  shaper->SetTransparentMode(tmFixed);
  shaper->SetTransparentColor(clYellow);
  shaper->SetBitmap(bg.get());
  shaper->SetActive(true);
  TRegion r;
  ASSERT_NE(GetWindowRgn(&form, r), RGN_ERROR);
  EXPECT_EQ(r.Bounds(), Rect(0, 0, skin::kClientWidth, skin::kClientHeight));
  for (int y = 0; y < skin::kClientHeight; ++y)
    for (int x = 0; x < skin::kClientWidth; ++x)
      ASSERT_EQ(r.Contains(x, y), InsideOutline(x, y)) << x << "," << y;
}

TEST(Artwork, ButtonRowsReadWithBlackAndYellowCaptions) {
  auto bg = Load("MAIN_BACKGROUND");
  for (const skin::Box& row : {skin::kCommandRow, skin::kPreviewRow})
    for (int y = row.Top + 2; y < row.Bottom() - 2; ++y)
      for (int x = row.Left + 4; x < row.Right() - 4; x += 7) {
        const double l = Luminance(bg->PixelColor(x, y));
        EXPECT_GE((l + 0.05) / 0.05, 4.0) << "black on " << x << "," << y;
        EXPECT_GE((Luminance(clYellow) + 0.05) / (l + 0.05), 4.0) << "yellow on " << x << "," << y;
      }
}

TEST(Artwork, GlyphsRepeatTheBackgroundAroundTheirShapes) {
  auto bg = Load("MAIN_BACKGROUND");
  const struct {
    const char* name;
    skin::Box box;
  } buttons[] = {{"MAIN_MINIMIZE", skin::kMinimizeButton},
                 {"MAIN_CLOSE", skin::kCloseButton},
                 {"MAIN_CONVERT", skin::kConvertButton}};
  for (const auto& b : buttons)
    for (const char* state : {"_UP", "_ACTIVE", "_DOWN"}) {
      auto g = Load(std::string(b.name) + state);
      const int w = g->Width(), h = g->Height();
      for (auto [x, y] : {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}})
        EXPECT_EQ(g->PixelColor(x, y), bg->PixelColor(b.box.Left + x, b.box.Top + y))
            << b.name << state;
      int differing = 0;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          differing += g->PixelColor(x, y) != bg->PixelColor(b.box.Left + x, b.box.Top + y);
      EXPECT_GT(differing, 20) << b.name << state;  // the button itself is drawn
    }
}

TEST(Artwork, SliderPiecesAreKeyedOutsideAndCursorsCarryHotSpots) {
  auto thumb = Load("MAIN_SEEK_THUMB");
  EXPECT_EQ(thumb->PixelColor(0, 19), clFuchsia);
  EXPECT_EQ(thumb->PixelColor(0, 18), clFuchsia);
  EXPECT_NE(thumb->PixelColor(6, 10), clFuchsia);
  auto ruler = Load("MAIN_SEEK_RULER");
  EXPECT_EQ(ruler->PixelColor(0, 5), clFuchsia);
  EXPECT_NE(ruler->PixelColor(20, 3), clFuchsia);

  TResourceData hand, drag;
  ASSERT_TRUE(FindResource("rx_handcur", hand));  // names ignore case
  ASSERT_TRUE(FindResource("RX_DRAGCUR", drag));
  EXPECT_TRUE(hand.IsCursor);
  auto hb = Load("RX_HANDCUR");
  // The fingertip: opaque pixels within a pixel of the hot spot, clear corners.
  int opaque = 0;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      const int x = hand.HotX + dx, y = hand.HotY + dy;
      if (x >= 0 && y >= 0) opaque += hb->ScanLine(y)[4 * x + 3] > 128;
    }
  EXPECT_GT(opaque, 0);
  EXPECT_EQ(hb->ScanLine(31)[4 * 31 + 3], 0);
}
