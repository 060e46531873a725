// Image lists: strips cut into images, masks from a key colour or a mask
// bitmap, drawing with and without transparency, looks, and change links.
#include <memory>

#include <gtest/gtest.h>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/image_list.h"
#include "tests/support/test_bitmaps.h"

using namespace classlib;
using lumitest::FilledBitmap;

namespace {}  // namespace

TEST(GraphicsImageList, StripIsCutIntoImagesAndReadBack) {
  TImageList list(nullptr, 2, 2);
  EXPECT_EQ(list.Width(), 2);
  EXPECT_EQ(list.Height(), 2);
  // Three 2x2 cells side by side, each a colour, one marked pixel in the last.
  auto strip = FilledBitmap(6, 2, clRed);
  strip->Canvas()->Brush()->SetColor(clLime);
  strip->Canvas()->FillRect(Rect(2, 0, 4, 2));
  strip->Canvas()->Brush()->SetColor(clBlue);
  strip->Canvas()->FillRect(Rect(4, 0, 6, 2));
  strip->Canvas()->SetPixels(5, 1, clYellow);
  EXPECT_EQ(list.Add(strip.get(), nullptr), 0);
  EXPECT_EQ(list.Count(), 3);

  TBitmap out;
  ASSERT_TRUE(list.GetBitmap(1, &out));
  EXPECT_EQ(out.Width(), 2);
  EXPECT_EQ(out.PixelColor(0, 0), clLime);
  ASSERT_TRUE(list.GetBitmap(2, &out));
  EXPECT_EQ(out.PixelColor(1, 1), clYellow);
  EXPECT_EQ(out.PixelColor(0, 1), clBlue);
  EXPECT_FALSE(list.GetBitmap(3, &out));
  EXPECT_FALSE(list.GetBitmap(-1, &out));

  // A second add appends after the first; a narrow image still makes one
  // image, its missing pixels black.
  auto narrow = FilledBitmap(1, 2, clWhite);
  EXPECT_EQ(list.Add(narrow.get(), nullptr), 3);
  ASSERT_TRUE(list.GetBitmap(3, &out));
  EXPECT_EQ(out.PixelColor(0, 0), clWhite);
  EXPECT_EQ(out.PixelColor(1, 0), clBlack);
  TBitmap empty;
  EXPECT_EQ(list.Add(&empty, nullptr), -1);

  list.Delete(0);
  EXPECT_EQ(list.Count(), 3);
  ASSERT_TRUE(list.GetBitmap(0, &out));
  EXPECT_EQ(out.PixelColor(0, 0), clLime);
  EXPECT_THROW(list.Delete(3), EListError);
  EXPECT_THROW(list.Replace(-1, strip.get(), nullptr), EListError);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);

  // Changing the size empties the list.
  list.Add(strip.get(), nullptr);
  list.SetSize(3, 2);
  EXPECT_EQ(list.Count(), 0);
}

TEST(GraphicsImageList, MaskedImagesLeaveTheCanvasShowingThrough) {
  TImageList list(nullptr, 3, 1);
  // White is the key: the middle pixel is transparent.
  auto image = FilledBitmap(3, 1, clRed, pf8bit);
  image->Canvas()->SetPixels(1, 0, clWhite);
  EXPECT_EQ(list.AddMasked(image.get(), clWhite), 0);
  EXPECT_TRUE(list.IsTransparent(0, 1, 0));
  EXPECT_FALSE(list.IsTransparent(0, 0, 0));
  TBitmap stored;
  list.GetBitmap(0, &stored);
  EXPECT_EQ(stored.PixelColor(1, 0), clBlack);  // key pixels are stored black

  auto canvas = FilledBitmap(5, 2, clLime);
  list.Draw(canvas->Canvas(), 1, 1, 0);
  EXPECT_EQ(canvas->PixelColor(1, 1), clRed);
  EXPECT_EQ(canvas->PixelColor(2, 1), clLime);
  EXPECT_EQ(canvas->PixelColor(3, 1), clRed);
  EXPECT_EQ(canvas->PixelColor(0, 1), clLime);
  EXPECT_EQ(canvas->PixelColor(1, 0), clLime);
  // Drawing partly outside the canvas is clipped, an unknown index draws nothing.
  list.Draw(canvas->Canvas(), 3, 0, 0);
  EXPECT_EQ(canvas->PixelColor(3, 0), clRed);
  list.Draw(canvas->Canvas(), 0, 0, 7);
  list.Draw(canvas->Canvas(), 0, 0, -1);
  EXPECT_EQ(canvas->PixelColor(0, 0), clLime);

  // A background colour fills the masked pixels; unmasked lists draw blocks.
  list.SetBkColor(clBlue);
  list.Draw(canvas->Canvas(), 0, 0, 0);
  EXPECT_EQ(canvas->PixelColor(1, 0), clBlue);
  list.SetBkColor(clNone);
  list.SetMasked(false);
  auto c2 = FilledBitmap(3, 1, clLime);
  list.Draw(c2->Canvas(), 0, 0, 0);
  EXPECT_EQ(c2->PixelColor(1, 0), clBlack);

  // clDefault takes the bottom-left pixel as the key.
  TImageList byCorner(nullptr, 2, 2);
  auto corner = FilledBitmap(2, 2, clFuchsia);
  corner->Canvas()->SetPixels(1, 0, clNavy);
  byCorner.AddMasked(corner.get(), clDefault);
  EXPECT_TRUE(byCorner.IsTransparent(0, 0, 1));
  EXPECT_FALSE(byCorner.IsTransparent(0, 1, 0));
}

TEST(GraphicsImageList, MaskBitmapWhiteMeansTransparentAndMaskReadsBack) {
  TImageList list(nullptr, 2, 1);
  auto image = FilledBitmap(4, 1, clRed);
  TBitmap mask;
  mask.SetMonochrome(true);
  mask.SetSize(3, 1);  // narrower than the strip: the missing pixel is opaque
  mask.Canvas()->Brush()->SetColor(clBlack);
  mask.Canvas()->FillRect(Rect(0, 0, 3, 1));
  mask.Canvas()->SetPixels(0, 0, clWhite);
  mask.Canvas()->SetPixels(2, 0, clWhite);
  ASSERT_EQ(list.Add(image.get(), &mask), 0);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_TRUE(list.IsTransparent(0, 0, 0));
  EXPECT_FALSE(list.IsTransparent(0, 1, 0));
  EXPECT_TRUE(list.IsTransparent(1, 0, 0));
  EXPECT_FALSE(list.IsTransparent(1, 1, 0));
  // Unlike AddMasked, the image keeps its colour under the mask.
  TBitmap out;
  list.GetBitmap(0, &out);
  EXPECT_EQ(out.PixelColor(0, 0), clRed);

  TBitmap back;
  ASSERT_TRUE(list.GetMask(0, &back));
  EXPECT_TRUE(back.Monochrome());
  EXPECT_EQ(back.PixelColor(0, 0), clWhite);
  EXPECT_EQ(back.PixelColor(1, 0), clBlack);
}

TEST(GraphicsImageList, LooksBlendOrFlattenTheImage) {
  TImageList list(nullptr, 2, 1);
  auto image = FilledBitmap(2, 1, RGB(200, 0, 0));
  image->Canvas()->SetPixels(1, 0, clWhite);
  list.AddMasked(image.get(), clWhite);
  list.SetBlendColor(RGB(0, 0, 200));

  auto c = FilledBitmap(3, 2, clLime);
  list.SetDrawingStyle(dsSelected);
  list.Draw(c->Canvas(), 0, 0, 0);
  EXPECT_EQ(c->PixelColor(0, 0), RGB(100, 0, 100));
  EXPECT_EQ(c->PixelColor(1, 0), clLime);
  list.SetDrawingStyle(dsFocus);
  list.Draw(c->Canvas(), 0, 0, 0);
  EXPECT_EQ(c->PixelColor(0, 0), RGB(150, 0, 50));

  // Disabled: the shape in the shadow colour with a highlight copy below right.
  list.SetDrawingStyle(dsNormal);
  auto d = FilledBitmap(3, 2, clLime);
  list.Draw(d->Canvas(), 0, 0, 0, false);
  EXPECT_EQ(d->PixelColor(0, 0), ColorToRGB(clBtnShadow));
  EXPECT_EQ(d->PixelColor(1, 1), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(d->PixelColor(1, 0), clLime);
  EXPECT_EQ(d->PixelColor(2, 1), clLime);
}

TEST(GraphicsImageList, ChangeLinksHearChangesAndOutliveTheList) {
  auto list = std::make_unique<TImageList>(nullptr);
  int direct = 0, linked = 0;
  list->OnChange = [&](TObject*) { ++direct; };
  TChangeLink link;
  link.OnChange = [&](TObject* Sender) {
    EXPECT_EQ(Sender, list.get());
    ++linked;
  };
  list->RegisterChanges(&link);
  EXPECT_EQ(link.Sender(), list.get());
  auto image = FilledBitmap(16, 16, clRed);
  list->Add(image.get(), nullptr);
  EXPECT_EQ(direct, 1);
  EXPECT_EQ(linked, 1);

  list->BeginUpdate();
  list->Add(image.get(), nullptr);
  list->Add(image.get(), nullptr);
  EXPECT_EQ(linked, 1);
  list->EndUpdate();
  EXPECT_EQ(linked, 2);

  {
    TChangeLink shortLived;
    list->RegisterChanges(&shortLived);
  }  // unregisters itself
  list->Clear();
  EXPECT_EQ(linked, 3);
  list.reset();
  EXPECT_EQ(link.Sender(), nullptr);  // the link outlives the list safely
}
