// Captures taken straight from the player's kept picture give exactly the pixels and masks that
// painting the stage gives, for whole frames, crops (also past the stage) and every mask mode;
// the picture's buffer is kept from frame to frame.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/alpha_mask.h"
#include "app/frame_capture.h"
#include "platform/classlib/std_controls.h"
#include "platform/flash/format/writer.h"
#include "tests/flash/movie_builder.h"
#include "tests/support/test_app.h"
#include "tests/support/test_bitmaps.h"

using namespace classlib;
using namespace lumicast;

namespace {

// Anti-aliased circles over a gradient: edges and blends that a lossy copy would change.
std::string SoftMovie() {
  flash::SwfWriter w(8, 60, 40, 12);
  w.SetBackgroundColor({10, 20, 30, 255});
  flash::ShapeBuilder back;
  flash::FillStyleSpec g;
  g.type = flash::FillStyleSpec::Type::Linear;
  g.gradient_matrix = {60 * 20 / 32768.0, 0, 0, 40 * 20 / 32768.0, 600, 400};
  g.stops = {{0, {20, 40, 120, 255}}, {255, {230, 200, 90, 255}}};
  back.Rectangle(0, 0, 900, 800, back.AddFill(g));
  w.DefineShape(1, back);
  flash::ShapeBuilder c;
  const int fill = c.AddFill(flash::FillStyleSpec::Solid({250, 250, 250, 180}));
  const int r = 230;
  c.SetStyle(0, fill, 0);
  c.MoveTo(-r, 0);
  c.CurveTo(-r, -r, 0, -r);
  c.CurveTo(r, -r, r, 0);
  c.CurveTo(r, r, 0, r);
  c.CurveTo(-r, r, -r, 0);
  w.DefineShape(2, c);
  w.Place(flashtest::MatrixPlace(1, 1, {1, 0, 0, 1, 0, 0}));
  w.Place(flashtest::MatrixPlace(2, 2, {1, 0, 0, 1, 333, 377}));
  w.ShowFrame();
  w.Place(flashtest::MatrixPlace(2, -1, {1, 0, 0, 1, 811, 123}));
  w.ShowFrame();
  static lumitest::TempDir temp_dir;
  const std::string path = temp_dir.File("soft.swf");
  EXPECT_TRUE(w.Save(path, false));
  return path;
}

struct Stage {
  TPanel panel{nullptr};
  TShockwaveFlashEx* player;
  Stage(int w, int h) {
    panel.SetBevelOuter(bvNone);
    panel.SetBounds(0, 0, w, h);
    player = new TShockwaveFlashEx(&panel);
    player->SetParent(&panel);
    player->SetAlign(alClient);
    player->SetMovie(SoftMovie());
    player->SetBackgroundColor(0x00336699);
  }
};

void ExpectSameBytes(TBitmap& a, TBitmap& b, int bytesPerPixel, const char* what) {
  ASSERT_EQ(a.Width(), b.Width());
  ASSERT_EQ(a.Height(), b.Height());
  for (int y = 0; y < a.Height(); ++y)
    ASSERT_EQ(std::memcmp(a.ScanLine(y), b.ScanLine(y), size_t(a.Width()) * size_t(bytesPerPixel)),
              0)
        << what << ": row " << y;
}

// The reference: the stage painted whole, the crop copied out by hand, the background where
// the crop has no stage behind it, then the mask from the finished frame.
std::unique_ptr<TBitmap> Reference(Stage& s, int fw, int fh, int cropX, int cropY) {
  auto stage = lumitest::FilledBitmap(s.panel.Width(), s.panel.Height(), clBlack);
  s.panel.PaintTo(stage->Canvas(), 0, 0);
  auto frame = lumitest::FilledBitmap(fw, fh, TColor(0x996633));  // the background, 0x00BBGGRR
  for (int y = 0; y < fh; ++y)
    for (int x = 0; x < fw; ++x) {
      const int sx = x + cropX, sy = y + cropY;
      if (sx < 0 || sy < 0 || sx >= stage->Width() || sy >= stage->Height()) continue;
      std::memcpy(frame->ScanLine(y) + x * 3, stage->ScanLine(sy) + sx * 3, 3);
    }
  return frame;
}

TEST(CapturePicture, GivesThePixelsAndMasksOfThePaintedStage) {
  Stage s(97, 61);  // not a multiple of the movie's size: scaled, with soft edges
  struct Case {
    int fw, fh, cropX, cropY;
    bool crop;
  } cases[] = {{97, 61, 0, 0, false},  {50, 30, 13, 7, true},  {50, 30, 70, 45, true},
               {40, 20, -9, -4, true}, {120, 70, 0, 0, false}, {30, 20, 0, 0, false}};
  for (const Case& c : cases) {
    for (int mode : {amNone, amIntensity, amSqrtIntensity, amColorKey}) {
      for (int frameNumber : {1, 2}) {
        auto frame = lumitest::FilledBitmap(c.fw, c.fh, clFuchsia);
        auto stageBitmap = lumitest::FilledBitmap(97, 61, clFuchsia);
        TBitmap mask;
        const uint32_t key =
            0x00336699;  // the background: keyed out where the crop leaves the stage
        ASSERT_TRUE(CaptureFrame(s.player, &s.panel, frame.get(), mode == amNone ? nullptr : &mask,
                                 c.crop ? stageBitmap.get() : nullptr, mode, frameNumber, c.cropX,
                                 c.cropY, key));
        auto ref = Reference(s, c.fw, c.fh, c.crop ? c.cropX : 0, c.crop ? c.cropY : 0);
        ExpectSameBytes(*frame, *ref, 3, "frame");
        if (c.crop) {
          auto refStage = lumitest::FilledBitmap(97, 61, clBlack);
          s.panel.PaintTo(refStage->Canvas(), 0, 0);
          ExpectSameBytes(*stageBitmap, *refStage, 3, "stage bitmap");
        }
        if (mode != amNone) {
          TBitmap refMask;
          if (mode == amColorKey)
            ColorKeyToAlpha(&refMask, ref.get(), key);
          else
            IntensityToAlpha(&refMask, ref.get(), mode == amSqrtIntensity);
          ExpectSameBytes(mask, refMask, 1, "mask");
        }
      }
    }
  }
}

TEST(CapturePicture, PictureBufferIsKeptFromFrameToFrame) {
  Stage s(97, 61);
  s.player->GotoFrame(1);
  const uint8_t* first = s.player->Picture();
  ASSERT_NE(first, nullptr);
  std::vector<uint8_t> one(first, first + 97 * 61 * 4);
  s.player->GotoFrame(2);
  const uint8_t* second = s.player->Picture();
  EXPECT_EQ(second, first);
  EXPECT_NE(std::memcmp(second, one.data(), one.size()), 0);  // rendered again into the same buffer
  // Nothing changed: the same picture without rendering.
  EXPECT_EQ(s.player->Picture(), first);
}

// Captures into a 32-bit frame: each pixel is the 24-bit capture's, its fourth byte the mask's
// byte (or 255 without a mask), for the same crops and modes.
TEST(CapturePicture, ThirtyTwoBitFrameHoldsThe24BitCaptureAndItsMask) {
  Stage s(97, 61);
  struct Case {
    int fw, fh, cropX, cropY;
    bool crop;
  } cases[] = {{97, 61, 0, 0, false},
               {50, 30, 13, 7, true},
               {50, 30, 70, 45, true},
               {40, 20, -9, -4, true},
               {120, 70, 0, 0, false}};
  const uint32_t key = 0x00336699;
  for (const Case& c : cases) {
    for (int mode : {-1, int(amIntensity), int(amSqrtIntensity), int(amColorKey)}) {
      SCOPED_TRACE(std::to_string(c.fw) + "x" + std::to_string(c.fh) + " mode " +
                   std::to_string(mode));
      auto frame = lumitest::FilledBitmap(c.fw, c.fh, clFuchsia);
      auto stageBitmap = lumitest::FilledBitmap(97, 61, clFuchsia);
      TBitmap mask;
      ASSERT_TRUE(CaptureFrame(s.player, &s.panel, frame.get(), mode > 0 ? &mask : nullptr,
                               c.crop ? stageBitmap.get() : nullptr, mode, 2, c.cropX, c.cropY,
                               key));
      std::vector<uint8_t> pixels(size_t(c.fw) * size_t(c.fh) * 4, 0xAB);
      auto bitmapBefore = lumitest::FilledBitmap(97, 61, clFuchsia);
      int asked = 0;
      ASSERT_EQ(
          CaptureFrameInto(s.player, &s.panel, c.fw, c.fh, c.crop ? bitmapBefore.get() : nullptr,
                           mode, 2, c.cropX, c.cropY, key,
                           [&](int w, int h) {
                             ++asked;
                             EXPECT_EQ(w, c.fw);
                             EXPECT_EQ(h, c.fh);
                             return pixels.data();
                           }),
          TDirectCapture::Captured);
      EXPECT_EQ(asked, 1);
      for (int y = 0; y < c.fh; ++y)
        for (int x = 0; x < c.fw; ++x) {
          const uint8_t* p = pixels.data() + (size_t(y) * size_t(c.fw) + size_t(x)) * 4;
          ASSERT_EQ(std::memcmp(p, frame->ScanLine(y) + x * 3, 3), 0) << x << "," << y;
          ASSERT_EQ(p[3], mode > 0 ? mask.ScanLine(y)[x] : 255) << x << "," << y;
        }
      // The stage bitmap only bounds the crop: it is not written.
      EXPECT_EQ(bitmapBefore->PixelColor(5, 5), clFuchsia);
    }
  }
}

TEST(CapturePicture, ThirtyTwoBitCaptureDoesNothingWhereThePlayerDoesNotFillTheStage) {
  Stage s(97, 61);
  s.player->GotoFrame(1);
  auto* cover = new TPanel(&s.panel);
  cover->SetParent(&s.panel);
  cover->SetBounds(10, 10, 20, 20);
  bool asked = false;
  auto target = [&](int, int) {
    asked = true;
    return static_cast<uint8_t*>(nullptr);
  };
  EXPECT_EQ(CaptureFrameInto(s.player, &s.panel, 97, 61, nullptr, amNone, 2, 0, 0, 0, target),
            TDirectCapture::Unavailable);
  EXPECT_EQ(s.player->CurrentFrame(), 1) << "the player was moved";
  delete cover;
  // A mask mode it does not know, and a frame of no size, are not taken either.
  EXPECT_EQ(CaptureFrameInto(s.player, &s.panel, 97, 61, nullptr, 7, 2, 0, 0, 0, target),
            TDirectCapture::Unavailable);
  EXPECT_EQ(CaptureFrameInto(s.player, &s.panel, 0, 61, nullptr, amNone, 2, 0, 0, 0, target),
            TDirectCapture::Unavailable);
  EXPECT_FALSE(asked);
  // A target without pixels fails after painting, having written nothing.
  EXPECT_EQ(CaptureFrameInto(s.player, &s.panel, 97, 61, nullptr, amNone, 2, 0, 0, 0, target),
            TDirectCapture::Failed);
  EXPECT_TRUE(asked);
}

TEST(CapturePicture, ControlOverThePlayerTakesThePaintedRoad) {
  // A windowed control over the player must show in the capture, as painting the stage shows it.
  Stage s(97, 61);
  auto* cover = new TPanel(&s.panel);
  cover->SetParent(&s.panel);
  cover->SetBounds(10, 10, 20, 20);
  cover->SetColor(clLime);
  auto frame = lumitest::FilledBitmap(97, 61, clFuchsia);
  ASSERT_TRUE(CaptureFrame(s.player, &s.panel, frame.get(), nullptr, nullptr, amNone, 1, 0, 0, 0));
  auto ref = Reference(s, 97, 61, 0, 0);
  ExpectSameBytes(*frame, *ref, 3, "frame");
  EXPECT_EQ(frame->PixelColor(20, 20), clLime);
}

}  // namespace
