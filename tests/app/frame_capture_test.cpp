// Frame capture: fitting with the aspect kept, frame and stage sizes of a job, alpha masks, and
// captures of a generated movie through a real stage panel and player (plain, cropped, cropped
// past the stage, other aspects, 8-bit frames, masks).
#include "app/frame_capture.h"

#include <functional>
#include <memory>
#include <new>
#include <string>

#include <gtest/gtest.h>

#include "app/alpha_mask.h"
#include "platform/classlib/std_controls.h"
#include "platform/flash/format/writer.h"
#include "tests/flash/movie_builder.h"
#include "tests/support/test_app.h"
#include "tests/support/test_bitmaps.h"

using namespace classlib;

using namespace lumicast;
using flash::FillStyleSpec;
using flash::ShapeBuilder;
using flash::SwfWriter;

using lumitest::FilledBitmap;

namespace {

// ---------------------------------------------------------------- sizes

TEST(FitRectKeepAspect, FitsByTheLimitingSideAtTheBoundsCorner) {
  // Bounds relatively taller than the source: full width.
  EXPECT_EQ(FitRectKeepAspect(Rect(0, 0, 400, 300), Rect(0, 0, 200, 200)), Rect(0, 0, 200, 150));
  // Relatively wider: full height.
  EXPECT_EQ(FitRectKeepAspect(Rect(0, 0, 400, 300), Rect(0, 0, 352, 240)), Rect(0, 0, 320, 240));
  // Placed at the bounds' top-left corner, whatever the source's position.
  EXPECT_EQ(FitRectKeepAspect(Rect(5, 5, 405, 305), Rect(10, 20, 210, 220)),
            Rect(10, 20, 210, 170));
  // Equal ratios take the height branch.
  EXPECT_EQ(FitRectKeepAspect(Rect(0, 0, 200, 100), Rect(0, 0, 400, 200)), Rect(0, 0, 400, 200));
  // Halves round away from zero: 2 * 5 / 4 = 2.5 -> 3; 6 * 3 / 4 = 4.5 -> 5.
  EXPECT_EQ(FitRectKeepAspect(Rect(0, 0, 4, 2), Rect(0, 0, 5, 10)), Rect(0, 0, 5, 3));
  EXPECT_EQ(FitRectKeepAspect(Rect(0, 0, 6, 4), Rect(0, 0, 10, 3)), Rect(0, 0, 5, 3));
  // Shrinking and growing alike.
  EXPECT_EQ(FitRectKeepAspect(Rect(0, 0, 40, 20), Rect(0, 0, 80, 80)), Rect(0, 0, 80, 40));
}

TEST(FitRectKeepAspect, EmptySourceKeepsItsOwnSize) {
  EXPECT_EQ(FitRectKeepAspect(Rect(0, 0, 0, 300), Rect(7, 8, 107, 108)), Rect(7, 8, 7, 308));
  EXPECT_EQ(FitRectKeepAspect(Rect(0, 0, 400, 0), Rect(0, 0, 100, 100)), Rect(0, 0, 400, 0));
}

TCovSettings SizedJob(bool crop, bool keep) {
  TCovSettings j;
  j.swfW = 400;
  j.swfH = 300;
  j.destW = 352;
  j.destH = 240;
  j.destCropW = 200;
  j.destCropH = 200;
  j.destIsCrop = crop;
  j.destIsKeepAspectRatio = keep;
  return j;
}

void ExpectSizes(const TFrameSizes& s, int fw, int fh, int sw, int sh) {
  EXPECT_EQ(s.FrameW, fw);
  EXPECT_EQ(s.FrameH, fh);
  EXPECT_EQ(s.StageW, sw);
  EXPECT_EQ(s.StageH, sh);
}

TEST(GetFrameSizes, CropAndKeepAspectTable) {
  ExpectSizes(GetFrameSizes(SizedJob(true, true)), 200, 150, 320, 240);
  ExpectSizes(GetFrameSizes(SizedJob(true, false)), 200, 200, 352, 240);
  ExpectSizes(GetFrameSizes(SizedJob(false, true)), 320, 240, 352, 240);
  ExpectSizes(GetFrameSizes(SizedJob(false, false)), 352, 240, 352, 240);
  // A movie without a size is not scaled.
  TCovSettings j = SizedJob(false, true);
  j.swfW = 0;
  ExpectSizes(GetFrameSizes(j), 0, 300, 352, 240);
}

// ---------------------------------------------------------------- alpha masks

// A 24-bit row of pixels given as 0x00RRGGBB values.
std::unique_ptr<TBitmap> Row24(std::initializer_list<uint32_t> colours,
                               TPixelFormat format = pf24bit) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(format);
  b->SetSize(static_cast<int>(colours.size()), 1);
  const int step = format == pf32bit ? 4 : 3;
  uint8_t* p = b->ScanLine(0);
  for (uint32_t c : colours) {
    p[0] = static_cast<uint8_t>(c);
    p[1] = static_cast<uint8_t>(c >> 8);
    p[2] = static_cast<uint8_t>(c >> 16);
    p += step;
  }
  return b;
}

std::vector<int> MaskRow(TBitmap& m) {
  EXPECT_EQ(m.PixelFormat(), pf8bit);
  std::vector<int> v;
  for (int x = 0; x < m.Width(); ++x) v.push_back(m.ScanLine(0)[x]);
  return v;
}

TEST(AlphaMask, IntensityWeightsAndSquareRootTable) {
  const uint8_t black[3] = {0, 0, 0}, white[3] = {255, 255, 255}, blue[3] = {255, 0, 0},
                green[3] = {0, 255, 0}, red[3] = {0, 0, 255};
  EXPECT_EQ(PixelIntensity(black), 0);
  EXPECT_EQ(PixelIntensity(white), 255);
  EXPECT_EQ(PixelIntensity(blue), 20);
  EXPECT_EQ(PixelIntensity(green), 173);
  EXPECT_EQ(PixelIntensity(red), 60);
  const uint8_t* t = SqrtAlphaTable();
  EXPECT_EQ(t, SqrtAlphaTable());
  EXPECT_EQ(t[0], 0);
  EXPECT_EQ(t[1], 15);
  EXPECT_EQ(t[64], 127);
  EXPECT_EQ(t[255], 255);
  for (int i = 1; i < 256; ++i) {
    EXPECT_GE(t[i], t[i - 1]);
    EXPECT_GE(t[i], i);
  }
}

TEST(AlphaMask, IntensityModesResizeTheMaskToTheFrame) {
  auto frame = Row24({0x000000, 0xFFFFFF, 0x404040, 0xFF0000});
  TBitmap mask;
  mask.SetPixelFormat(pf24bit);
  mask.SetSize(9, 9);
  IntensityToAlpha(&mask, frame.get(), false);
  EXPECT_EQ(mask.Width(), 4);
  EXPECT_EQ(mask.Height(), 1);
  EXPECT_EQ(MaskRow(mask), (std::vector<int>{0, 255, 64, 60}));
  IntensityToAlpha(&mask, frame.get(), true);
  EXPECT_EQ(MaskRow(mask), (std::vector<int>{0, 255, 127, SqrtAlphaTable()[60]}));
  // 32-bit frames read their B, G, R bytes the same way.
  auto frame32 = Row24({0x000000, 0xFFFFFF, 0x404040}, pf32bit);
  IntensityToAlpha(&mask, frame32.get(), true);
  EXPECT_EQ(MaskRow(mask), (std::vector<int>{0, 255, 127}));
}

TEST(AlphaMask, ColourKeyMatchesExactlyInRedGreenBlueOrder) {
  auto frame = Row24({0xFFFFFF, 0xFFFFFE, 0xFEFFFF, 0x000000, 0xFF0000, 0x0000FF});
  TBitmap mask;
  ColorKeyToAlpha(&mask, frame.get(), 0x00FFFFFF);
  EXPECT_EQ(MaskRow(mask), (std::vector<int>{0, 255, 255, 255, 255, 255}));
  // The key is 0x00RRGGBB: red keys out the red pixel, not the blue one.
  ColorKeyToAlpha(&mask, frame.get(), 0x00FF0000);
  EXPECT_EQ(MaskRow(mask), (std::vector<int>{255, 255, 255, 255, 0, 255}));
}

// ---------------------------------------------------------------- captures

// A 40 x 20 movie on blue: frame 1 has a red square at 0..10 x 0..10 and a green one at
// 20..30 x 10..20; frame 2 moves the red square to 10..20 x 0..10.
std::string TestMovie() {
  SwfWriter w(8, 40, 20, 12);
  w.SetBackgroundColor({0, 0, 255, 255});
  ShapeBuilder r;
  r.Rectangle(0, 0, 200, 200, r.AddFill(FillStyleSpec::Solid({255, 0, 0, 255})));
  w.DefineShape(1, r);
  ShapeBuilder g;
  g.Rectangle(0, 0, 200, 200, g.AddFill(FillStyleSpec::Solid({0, 255, 0, 255})));
  w.DefineShape(2, g);
  w.Place(flashtest::MatrixPlace(1, 1, {1, 0, 0, 1, 0, 0}));
  w.Place(flashtest::MatrixPlace(2, 2, {1, 0, 0, 1, 400, 200}));
  w.ShowFrame();
  w.Place(flashtest::MatrixPlace(1, -1, {1, 0, 0, 1, 200, 0}));
  w.ShowFrame();
  static lumitest::TempDir temp_dir;  // the callers load the movie after this returns
  std::string path = temp_dir.File("capture.swf");
  EXPECT_TRUE(w.Save(path, false));
  return path;
}

constexpr TColor kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kMagenta = 0xFF00FF;

// The conversion window's arrangement: a borderless panel (the stage) with the player filling it.
struct Stage {
  TPanel panel{nullptr};
  TShockwaveFlashEx* player;
  Stage(int w, int h) {
    panel.SetBevelOuter(bvNone);
    panel.SetBounds(0, 0, w, h);
    player = new TShockwaveFlashEx(&panel);
    player->SetParent(&panel);
    player->SetAlign(alClient);
    player->SetMovie(TestMovie());
  }
};

TEST(CaptureFrame, PaintsTheStageIntoTheFrame) {
  Stage s(80, 40);  // the movie at twice its size
  ASSERT_EQ(s.player->Width(), 80);
  auto frame = FilledBitmap(80, 40, kMagenta);
  EXPECT_TRUE(CaptureFrame(s.player, &s.panel, frame.get(), nullptr, nullptr, -1, -1, 0, 0, 0));
  EXPECT_EQ(frame->PixelColor(10, 10), kRed);
  EXPECT_EQ(frame->PixelColor(50, 30), kGreen);
  EXPECT_EQ(frame->PixelColor(70, 10), kBlue);
  EXPECT_EQ(frame->PixelColor(30, 10), kBlue);

  // A frame number moves the player there and stops it.
  s.player->Play();
  EXPECT_TRUE(CaptureFrame(s.player, &s.panel, frame.get(), nullptr, nullptr, -1, 2, 0, 0, 0));
  EXPECT_EQ(s.player->CurrentFrame(), 2);
  EXPECT_FALSE(s.player->IsPlaying());
  EXPECT_EQ(frame->PixelColor(10, 10), kBlue);
  EXPECT_EQ(frame->PixelColor(30, 10), kRed);

  // A smaller frame keeps the stage's top-left part.
  auto small = FilledBitmap(30, 15, kMagenta);
  EXPECT_TRUE(CaptureFrame(s.player, &s.panel, small.get(), nullptr, nullptr, -1, 1, 0, 0, 0));
  EXPECT_EQ(small->PixelColor(10, 10), kRed);
  EXPECT_EQ(small->PixelColor(25, 5), kBlue);
}

TEST(CaptureFrame, OutputOfAnotherAspectWithKeepAspect) {
  TCovSettings job;
  job.swfW = 40;
  job.swfH = 20;
  job.destW = 80;
  job.destH = 80;
  job.destIsKeepAspectRatio = true;
  TFrameSizes sizes = GetFrameSizes(job);
  ExpectSizes(sizes, 80, 40, 80, 80);
  Stage s(sizes.StageW, sizes.StageH);
  auto frame = FilledBitmap(sizes.FrameW, sizes.FrameH, kMagenta);
  ASSERT_TRUE(CaptureFrame(s.player, &s.panel, frame.get(), nullptr, nullptr, -1, 1, 0, 0, 0));
  EXPECT_EQ(frame->PixelColor(10, 10), kRed);
  EXPECT_EQ(frame->PixelColor(50, 30), kGreen);
  EXPECT_EQ(frame->PixelColor(59, 39), kGreen);
  EXPECT_EQ(frame->PixelColor(60, 39), kBlue);

  // Without keep aspect the frame is the whole stage; below the movie lies its background.
  auto whole = FilledBitmap(80, 80, kMagenta);
  ASSERT_TRUE(CaptureFrame(s.player, &s.panel, whole.get(), nullptr, nullptr, -1, -1, 0, 0, 0));
  EXPECT_EQ(whole->PixelColor(10, 10), kRed);
  EXPECT_EQ(whole->PixelColor(40, 60), kBlue);

  // A frame larger than the stage: the uncovered part is the player's background.
  s.player->SetBackgroundColor(0x00FFFF00);  // yellow, 0x00RRGGBB
  auto large = FilledBitmap(100, 90, kMagenta);
  ASSERT_TRUE(CaptureFrame(s.player, &s.panel, large.get(), nullptr, nullptr, -1, -1, 0, 0, 0));
  EXPECT_EQ(large->PixelColor(10, 10), kRed);
  EXPECT_EQ(large->PixelColor(90, 10), TColor(0x00FFFF));
  EXPECT_EQ(large->PixelColor(10, 85), TColor(0x00FFFF));
}

TEST(CaptureFrame, CropCopiesFromTheStageBitmap) {
  Stage s(80, 40);
  auto stage = FilledBitmap(80, 40, kMagenta);
  auto frame = FilledBitmap(40, 20, kMagenta);
  ASSERT_TRUE(
      CaptureFrame(s.player, &s.panel, frame.get(), nullptr, stage.get(), -1, 1, 40, 20, 0));
  EXPECT_EQ(stage->PixelColor(10, 10), kRed);
  EXPECT_EQ(frame->PixelColor(0, 0), kGreen);    // stage (40, 20)
  EXPECT_EQ(frame->PixelColor(19, 19), kGreen);  // stage (59, 39)
  EXPECT_EQ(frame->PixelColor(30, 5), kBlue);    // stage (70, 25)
  ASSERT_TRUE(CaptureFrame(s.player, &s.panel, frame.get(), nullptr, stage.get(), -1, -1, 0, 0, 0));
  EXPECT_EQ(frame->PixelColor(5, 5), kRed);
  EXPECT_EQ(frame->PixelColor(25, 15), kBlue);
}

TEST(CaptureFrame, CropPastTheStageFillsWithTheBackground) {
  Stage s(80, 40);
  auto stage = FilledBitmap(80, 40, kMagenta);
  // Reaching past the right and bottom edges: only the stage's 20 x 10 corner is copied.
  auto frame = FilledBitmap(40, 20, kMagenta);
  ASSERT_TRUE(
      CaptureFrame(s.player, &s.panel, frame.get(), nullptr, stage.get(), -1, 1, 60, 30, 0));
  EXPECT_EQ(frame->PixelColor(5, 5), kBlue);   // stage (65, 35)
  EXPECT_EQ(frame->PixelColor(25, 5), kBlue);  // beyond the stage: background, not left over
  EXPECT_EQ(frame->PixelColor(5, 15), kBlue);
  EXPECT_EQ(frame->PixelColor(39, 19), kBlue);

  // With a background of its own the uncovered part shows that colour.
  s.player->SetBackgroundColor(0x00FFFF00);
  frame = FilledBitmap(40, 20, kMagenta);
  ASSERT_TRUE(
      CaptureFrame(s.player, &s.panel, frame.get(), nullptr, stage.get(), -1, -1, -10, -10, 0));
  EXPECT_EQ(frame->PixelColor(5, 5), TColor(0x00FFFF));  // before the stage's top-left corner
  EXPECT_EQ(frame->PixelColor(15, 15), kRed);            // stage (5, 5)

  // A crop wholly outside the stage gives a frame of background.
  frame = FilledBitmap(40, 20, kMagenta);
  ASSERT_TRUE(
      CaptureFrame(s.player, &s.panel, frame.get(), nullptr, stage.get(), -1, -1, 500, 500, 0));
  for (int y = 0; y < 20; y += 19)
    for (int x = 0; x < 40; x += 13) EXPECT_EQ(frame->PixelColor(x, y), TColor(0x00FFFF));
  frame = FilledBitmap(40, 20, kMagenta);
  ASSERT_TRUE(CaptureFrame(s.player, &s.panel, frame.get(), nullptr, stage.get(), -1, -1,
                           INT32_MAX - 5, INT32_MIN + 5, 0));
  EXPECT_EQ(frame->PixelColor(0, 0), TColor(0x00FFFF));

  // A stage bitmap larger than the stage: what the panel did not paint is not stage, so the
  // magenta left in the bitmap's margin must not reach the frame.
  auto wide = FilledBitmap(120, 60, kMagenta);
  frame = FilledBitmap(40, 20, kMagenta);
  ASSERT_TRUE(
      CaptureFrame(s.player, &s.panel, frame.get(), nullptr, wide.get(), -1, -1, 50, 30, 0));
  EXPECT_EQ(wide->PixelColor(100, 50), kMagenta);
  EXPECT_EQ(frame->PixelColor(5, 5), kGreen);             // stage (55, 35)
  EXPECT_EQ(frame->PixelColor(35, 5), TColor(0x00FFFF));  // bitmap (85, 35), beyond the stage
  EXPECT_EQ(frame->PixelColor(5, 15), TColor(0x00FFFF));  // bitmap (55, 45)
}

TEST(CaptureFrame, EightBitFramesUseTheDefaultPalette) {
  Stage s(80, 40);
  auto stage = FilledBitmap(80, 40, kMagenta, pf8bit);
  auto frame = FilledBitmap(40, 20, kMagenta, pf8bit);
  ASSERT_TRUE(CaptureFrame(s.player, &s.panel, frame.get(), nullptr, stage.get(), -1, 1, 0, 0, 0));
  EXPECT_EQ(frame->BitsPerPixel(), 8);
  EXPECT_EQ(frame->ScanLine(5)[5], 180);  // pure red: cube entry 36 * 5
  EXPECT_EQ(frame->ScanLine(5)[30], 5);   // pure blue: cube entry 5
  EXPECT_EQ(frame->PixelColor(5, 5), kRed);
  // Cropped past the stage, the background is mapped to the palette as well.
  ASSERT_TRUE(
      CaptureFrame(s.player, &s.panel, frame.get(), nullptr, stage.get(), -1, -1, 60, 0, 0));
  EXPECT_EQ(frame->ScanLine(5)[30], 5);
}

TEST(CaptureFrame, AlphaModesFollowTheCapturedFrame) {
  Stage s(40, 20);
  auto frame = FilledBitmap(40, 20, kMagenta);
  TBitmap alpha;
  ASSERT_TRUE(CaptureFrame(s.player, &s.panel, frame.get(), &alpha, nullptr, amColorKey, 1, 0, 0,
                           0x000000FF));
  ASSERT_EQ(alpha.Width(), 40);
  ASSERT_EQ(alpha.Height(), 20);
  EXPECT_EQ(alpha.ScanLine(5)[5], 255);    // red
  EXPECT_EQ(alpha.ScanLine(15)[25], 255);  // green
  EXPECT_EQ(alpha.ScanLine(5)[30], 0);     // the blue background is the key
  ASSERT_TRUE(
      CaptureFrame(s.player, &s.panel, frame.get(), &alpha, nullptr, amIntensity, -1, 0, 0, 0));
  EXPECT_EQ(alpha.ScanLine(5)[5], 60);
  EXPECT_EQ(alpha.ScanLine(15)[25], 173);
  ASSERT_TRUE(
      CaptureFrame(s.player, &s.panel, frame.get(), &alpha, nullptr, amSqrtIntensity, -1, 0, 0, 0));
  EXPECT_EQ(alpha.ScanLine(5)[5], SqrtAlphaTable()[60]);
  // No mask in mode 0 or below: the mask is left alone.
  TBitmap untouched;
  untouched.SetSize(3, 3);
  ASSERT_TRUE(CaptureFrame(s.player, &s.panel, frame.get(), &untouched, nullptr, -1, -1, 0, 0, 0));
  ASSERT_TRUE(CaptureFrame(s.player, &s.panel, frame.get(), &untouched, nullptr, 0, -1, 0, 0, 0));
  EXPECT_EQ(untouched.Width(), 3);
}

// A stage whose painting fails with the exception Fail throws.
class FailingStage : public TCustomControl {
 public:
  explicit FailingStage(std::function<void()> Fail)
      : TCustomControl(nullptr), fail_(std::move(Fail)) {
    SetBounds(0, 0, 40, 20);
  }

 protected:
  void Paint() override { fail_(); }

 private:
  std::function<void()> fail_;
};

TEST(CaptureFrame, PaintFailureKeepsTheFrameAndRunningOutOfMemoryGoesOn) {
  auto frame = FilledBitmap(40, 20, kMagenta);
  FailingStage refused([] { throw EInvalidGraphicOperation("cannot paint now"); });
  EXPECT_FALSE(CaptureFrame(nullptr, &refused, frame.get(), nullptr, nullptr, -1, -1, 0, 0, 0));
  EXPECT_EQ(frame->PixelColor(5, 5), kMagenta);
  // A capture that ran out of memory is a failure of the run, not a frame left as it was.
  FailingStage starved([] { throw std::bad_alloc(); });
  EXPECT_THROW(CaptureFrame(nullptr, &starved, frame.get(), nullptr, nullptr, -1, -1, 0, 0, 0),
               std::bad_alloc);
  FailingStage starved_too([] { throw EOutOfMemory("out of memory"); });
  EXPECT_THROW(CaptureFrame(nullptr, &starved_too, frame.get(), nullptr, nullptr, -1, -1, 0, 0, 0),
               EOutOfMemory);
}

TEST(CaptureFrame, FailsWithoutAFrameBitmap) {
  Stage s(40, 20);
  TBitmap stage;
  EXPECT_FALSE(CaptureFrame(s.player, &s.panel, nullptr, nullptr, &stage, -1, 2, 0, 0, 0));
  EXPECT_EQ(s.player->CurrentFrame(), 1);
}

}  // namespace
