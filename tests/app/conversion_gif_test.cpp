// Animated GIF jobs end to end through the conversion window, read back by an independent
// decoder: sampling at the GIF rate, delays, looping, the key colour, optimisation, Stop, and
// targets that cannot be written.
#include <filesystem>
#include <fstream>

#include "app/gif_form.h"
#include "imaging/gif_image_ex.h"
#include "tests/app/conversion_fixture.h"
#include "tests/imaging/gif_compose.h"
#include "tests/imaging/gif_test_util.h"

using namespace lumicast;
using namespace convtest;

namespace {

std::vector<uint8_t> ReadAll(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
}

class GifJobTest : public ConversionTest {
 protected:
  TCovSettings* AddGifJob(const std::string& Movie, int Rate) {
    TCovSettings* j = AddJob(Movie, dtGIF);
    j->destFilename = "clip.gif";
    j->destColorDepth = 1;
    j->destGIFFrameRate = Rate;
    j->destGIFIsLooping = true;
    j->destGIFRepeatCount = 0;
    return j;
  }
  giftest::DecodedGif Result() {
    const auto bytes = ReadAll(out + "clip.gif");
    auto d = giftest::DecodeWithGiflib(bytes);
    EXPECT_TRUE(d.Ok) << d.Error;
    return d;
  }
  // The colour of the middle of frame Index as the viewer shows it.
  static uint32_t Shown(const giftest::DecodedGif& D, size_t Index) {
    auto c = giftest::Compose(D);
    return c.Screens[Index]
                    [static_cast<size_t>(D.ScreenHeight / 2) * D.ScreenWidth + D.ScreenWidth / 2];
  }
};

}  // namespace

TEST_F(GifJobTest, FramesAreSampledAtTheGifRate) {
  WriteColorMovie(dir + "/clip.swf", 40, 30, 24, 60);
  struct Case {
    int rate, start, end;
    std::vector<int> frames;
    int delay;
  };
  const std::vector<Case> cases = {{8, 1, 24, {1, 4, 7, 10, 13, 16, 19, 22}, 12},
                                   {8, 40, 50, {40, 43, 46, 49}, 12},
                                   {16, 1, 9, {1, 3, 4, 6, 7, 9}, 6},
                                   {24, 1, 5, {1, 2, 3, 4, 5}, 4},
                                   {50, 1, 5, {1, 2, 3, 4, 5}, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "rate " << c.rate << " from " << c.start);
    jobs.clear();
    tree->items->Clear();
    TCovSettings* j = AddGifJob(dir + "/clip.swf", c.rate);
    j->destStartFrame = c.start;
    j->destEndFrame = c.end;
    RunBatch();
    auto d = Result();
    ASSERT_EQ(d.Frames.size(), c.frames.size());
    for (size_t i = 0; i < c.frames.size(); ++i) {
      EXPECT_EQ(Shown(d, i), FrameColor(c.frames[i])) << i;
      EXPECT_EQ(d.Frames[i].DelayCs, c.delay);
    }
    const auto lines = LogLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "Status:> Finish converting \"clip.swf\" to GIF Animation."),
              lines.end());
  }
}

TEST_F(GifJobTest, LoopingKeyColourAndBackground) {
  WriteColorMovie(dir + "/clip.swf", 20, 10, 24, 6);
  TCovSettings* j = AddGifJob(dir + "/clip.swf", 24);
  j->destEndFrame = 6;
  j->destGIFRepeatCount = 70000;  // beyond the field: held at the largest count the program writes
  j->destGIFIsTransparent = true;
  const uint32_t key = FrameColor(2);
  j->destGIFTransparentColor =
      classlib::TColor(((key & 0xFF) << 16) | (key & 0xFF00) | (key >> 16));
  RunBatch();
  auto d = Result();
  EXPECT_EQ(d.LoopCount, 30000);
  ASSERT_EQ(d.Frames.size(), 6u);
  EXPECT_GE(d.Frames[1].TransparentIndex, 0);
  EXPECT_EQ(d.Frames[1].Indices[0], d.Frames[1].TransparentIndex);

  jobs.clear();
  tree->items->Clear();
  j = AddGifJob(dir + "/clip.swf", 24);
  j->destEndFrame = 6;
  j->destGIFIsLooping = false;
  RunBatch();
  EXPECT_EQ(Result().LoopCount, -1);
}

TEST_F(GifJobTest, OptimisedOutputShowsTheSameAnimation) {
  WriteColorMovie(dir + "/clip.swf", 40, 30, 24, 12);
  TCovSettings* j = AddGifJob(dir + "/clip.swf", 24);
  j->destEndFrame = 12;
  RunBatch();
  const auto plain = ReadAll(out + "clip.gif");
  form->mniOptimizeGif->SetChecked(true);
  std::filesystem::remove(out + "clip.gif");
  RunBatch();
  const auto optimised = ReadAll(out + "clip.gif");
  auto a = giftest::Compose(giftest::DecodeWithGiflib(plain));
  auto b = giftest::Compose(giftest::DecodeWithGiflib(optimised));
  EXPECT_EQ(a.TotalDelay, b.TotalDelay);
  EXPECT_EQ(giftest::Timeline(a), giftest::Timeline(b));
  EXPECT_LE(optimised.size(), plain.size());
}

TEST_F(GifJobTest, StopDuringCaptureWritesWhatWasGathered) {
  WriteColorMovie(dir + "/clip.swf", 20, 10, 24, 40);
  TCovSettings* j = AddGifJob(dir + "/clip.swf", 24);
  j->destEndFrame = 40;
  WhenDuringRun([&] { return form->CurFrame >= 10; }, [&] { form->mniStop->Click(); });
  RunBatch();
  auto d = Result();
  EXPECT_GE(d.Frames.size(), 9u);
  EXPECT_LT(d.Frames.size(), 40u);
}

TEST_F(GifJobTest, AnUnwritableTargetLogsTheWriteErrorAndLeavesNoFile) {
  WriteColorMovie(dir + "/clip.swf", 20, 10, 24, 4);
  TCovSettings* j = AddGifJob(dir + "/clip.swf", 24);
  j->destEndFrame = 4;
  std::filesystem::create_directories(out + "clip.gif");  // a folder where the file should go
  RunBatch();
  const auto lines = LogLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Status:> Error writing to output file."),
            lines.end());
  EXPECT_EQ(std::find(lines.begin(), lines.end(),
                      "Status:> Finish converting \"clip.swf\" to GIF Animation."),
            lines.end());
  EXPECT_EQ(ListFiles(out), std::vector<std::string>{"clip.gif"});
  EXPECT_TRUE(std::filesystem::is_directory(out + "clip.gif"));
}

namespace {

// A window whose progress handler fails once optimisation has begun.
class TFailingGifFrm : public TGIFFrm {
 public:
  using TGIFFrm::TGIFFrm;

 protected:
  void PictureProgress(classlib::TObject* Sender, classlib::TProgressStage Stage, uint8_t Percent,
                       const std::string& Msg) override {
    if (Msg == "Optimizing...") throw classlib::EAbort("stop");
    TGIFFrm::PictureProgress(Sender, Stage, Percent, Msg);
  }
};

}  // namespace

TEST_F(GifJobTest, WindowKeepsTheFirstFileWhenOptimisationFails) {
  TGIFImage gif;
  for (int k = 0; k < 3; ++k) {
    auto bmp = giftest::MakeBitmap24(
        8, 8, [&](int x, int) { return classlib::TColor(x < 4 ? 0xFF : k * 40); });
    gif.AppendFrame(bmp.get());
  }
  TGIFImageEx optimizer;
  std::filesystem::create_directories(out);
  form->mniOptimizeGif->SetChecked(true);
  TFailingGifFrm window(nullptr, form);
  window.GifImage = &gif;
  window.Optimizer = &optimizer;
  window.OutputPath = out + "w.gif";
  // Esc and close requests are refused while it works.
  bool refused = false;
  WhenDuringRun([&] { return window.Working(); },
                [&] {
                  bool can = true;
                  window.FormCloseQuery(&window, can);
                  uint16_t key = classlib::VK_ESCAPE;
                  window.FormKeyDown(&window, key, {});
                  refused = !can && key == 0;
                });
  EXPECT_EQ(window.ShowModal(), 2);
  EXPECT_TRUE(refused);
  EXPECT_EQ(window.labMsg->Caption(), "Optimizing GIF frames...");
  auto d = giftest::DecodeWithGiflib(ReadAll(out + "w.gif"));
  ASSERT_TRUE(d.Ok) << d.Error;
  EXPECT_EQ(d.Frames.size(), 3u);
  EXPECT_EQ(ListFiles(out), std::vector<std::string>{"w.gif"});
}

TEST_F(GifJobTest, WindowShowsTheBusyPictureAndLeavesNoPainter) {
  TGIFFrm window(nullptr, form);
  EXPECT_EQ(window.Caption(), "Please waiting...");
  EXPECT_EQ(window.ClientWidth(), 244);
  auto* busy = dynamic_cast<TGIFImageEx*>(window.imgBusy->Picture()->Graphic());
  ASSERT_NE(busy, nullptr);
  EXPECT_EQ(busy->FrameCount(), 5);
  EXPECT_EQ(busy->DrawOptions, 0x060F);
  window.Show();
  window.labMsg->SetCaption("Encoding GIF frames...");
  classlib::TBitmap shot;
  shot.SetPixelFormat(classlib::pf24bit);
  shot.SetSize(window.ClientWidth(), window.ClientHeight());
  window.PaintTo(shot.Canvas(), 0, 0);
  EXPECT_GE(busy->PainterCount(), 1);  // the picture animates on a thread of its own
  if (const char* dump = std::getenv("LUMICAST_DUMP_GIF_WINDOW")) shot.SaveToFile(dump);
  // A dot of the ring shows in the picture's place.
  bool blue = false;
  for (int y = 19; y < 51; ++y)
    for (int x = 16; x < 48; ++x) {
      const auto c = shot.PixelColor(x, y);
      blue = blue || (classlib::GetBValue(c) > classlib::GetRValue(c) + 20);
    }
  EXPECT_TRUE(blue);
  busy->StopDraw();
  EXPECT_EQ(busy->PainterCount(), 0);
  window.Hide();
}

TEST_F(GifJobTest, EightBitFramesTakeTheDefaultPalettesNearestColours) {
  WriteColorMovie(dir + "/clip.swf", 20, 10, 24, 3);
  TCovSettings* j = AddGifJob(dir + "/clip.swf", 24);
  j->destEndFrame = 3;
  j->destColorDepth = 0;
  RunBatch();
  auto d = Result();
  ASSERT_EQ(d.Frames.size(), 3u);
  const auto& pal = classlib::DefaultPalette8();
  for (size_t k = 0; k < 3; ++k) {
    const uint32_t want = FrameColor(static_cast<int>(k) + 1);
    const int i = classlib::NearestColorIndex(
        pal, classlib::TColor(((want & 0xFF) << 16) | (want & 0xFF00) | (want >> 16)));
    const uint32_t nearest = (uint32_t(pal[static_cast<size_t>(i)].rgbRed) << 16) |
                             (uint32_t(pal[static_cast<size_t>(i)].rgbGreen) << 8) |
                             pal[static_cast<size_t>(i)].rgbBlue;
    EXPECT_EQ(Shown(d, k), nearest) << k;
  }
}
