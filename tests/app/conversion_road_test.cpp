// Movies and jobs that go wrong on the way through the conversion window: stages that do not
// begin at the origin, movies the player cannot load, headers that claim no frames or far more
// frames than the movie holds, and jobs that end early (Stop, Cancel, a failing write, an
// exception) without leaving a bitmap or an encoding-library handle behind.
#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "platform/classlib/exceptions.h"
#include "platform/classlib/file_utils.h"
#include "platform/encoder/handles.h"
#include "platform/encoder/image.h"
#include "platform/flash/format/writer.h"
#include "tests/app/conversion_fixture.h"
#include "tests/flash/movie_builder.h"

using namespace convtest;
using namespace lumicast;

namespace {

using Lines = std::vector<std::string>;
using Bytes = std::vector<uint8_t>;

Bytes ReadAll(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& Path, const Bytes& Data) {
  std::ofstream out(Path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(Data.data()), static_cast<std::streamsize>(Data.size()));
}

void SetLength(Bytes& Movie) {
  const auto n = static_cast<uint32_t>(Movie.size());
  for (int i = 0; i < 4; ++i) Movie[4 + i] = static_cast<uint8_t>(n >> (8 * i));
}

// Offset of the frame count in an uncompressed movie (after the stage rectangle and the rate).
size_t FrameCountOffset(const Bytes& Movie) {
  const int n = Movie[8] >> 3;
  return 8 + static_cast<size_t>((5 + 4 * n + 7) / 8) + 2;
}

// Rewrites the frame count an uncompressed movie's header claims.
void ClaimFrames(const std::string& Path, uint16_t Frames) {
  Bytes m = ReadAll(Path);
  const size_t at = FrameCountOffset(m);
  m[at] = static_cast<uint8_t>(Frames);
  m[at + 1] = static_cast<uint8_t>(Frames >> 8);
  WriteAll(Path, m);
}

// A 100 x 100 pixel movie whose stage rectangle begins at (Origin, Origin) pixels: red over the
// whole stage with a 20-pixel blue square in its top-left corner.
void WriteOffsetStageMovie(const std::string& Path, int Origin) {
  const int x0 = Origin * 20, x1 = (Origin + 100) * 20;
  flash::SwfWriter w(6, 100, 100, 12);
  flash::ShapeBuilder red;
  red.Rectangle(x0, x0, x1, x1, red.AddFill(flash::FillStyleSpec::Solid({255, 0, 0, 255})));
  flash::ShapeBuilder blue;
  blue.Rectangle(x0, x0, x0 + 400, x0 + 400,
                 blue.AddFill(flash::FillStyleSpec::Solid({0, 0, 255, 255})));
  w.DefineShape(1, red);
  w.DefineShape(2, blue);
  w.Place(flashtest::NewPlace(1, 1));
  w.Place(flashtest::NewPlace(2, 2));
  w.ShowFrame();
  const Bytes plain = w.Finish(false);
  // The writer puts the stage at the origin: put the rectangle where this movie wants it.
  const size_t old_rect = static_cast<size_t>((5 + 4 * (plain[8] >> 3) + 7) / 8);
  flash::BitWriter rect;
  rect.Rect({x0, x1, x0, x1});
  Bytes m(plain.begin(), plain.begin() + 8);
  const Bytes& r = rect.Data();
  m.insert(m.end(), r.begin(), r.end());
  m.insert(m.end(), plain.begin() + 8 + static_cast<long>(old_rect), plain.end());
  SetLength(m);
  WriteAll(Path, m);
}

class ConversionRoadTest : public ConversionTest {
 protected:
  void SetUp() override {
    ConversionTest::SetUp();
    handles_before = mcl::LiveHandleCount();
    storages_before = mcl::PixelBuffer::LiveStorageCount();
  }
  // Nothing of a finished job is left: no job objects, no library handle more than before.
  void ExpectNothingLeft() {
    EXPECT_EQ(form->JobObjects(), nullptr);
    EXPECT_EQ(mcl::LiveHandleCount(), handles_before);
    // No frame's pixels, captured or waiting to be encoded, outlive the job.
    EXPECT_EQ(mcl::PixelBuffer::LiveStorageCount(), storages_before);
  }
  // Records, while the condition's job runs, that it holds its objects.
  void ExpectObjectsWhileRunning() {
    EXPECT_TRUE(seen_running) << "the job's objects were never seen alive";
  }
  std::function<void()> NoteRunning(std::function<void()> Then) {
    return [this, Then = std::move(Then)] {
      seen_running = form->JobObjects() != nullptr && form->JobObjects()->FrameBmp != nullptr &&
                     mcl::LiveHandleCount() > handles_before;
      Then();
    };
  }
  size_t handles_before = 0;
  size_t storages_before = 0;
  bool seen_running = false;
};

TEST_F(ConversionRoadTest, StageThatDoesNotBeginAtTheOriginIsCapturedWhole) {
  for (int origin : {100, -100}) {
    SCOPED_TRACE(origin);
    const std::string name = origin > 0 ? "right" : "left";
    WriteOffsetStageMovie(dir + "/" + name + ".swf", origin);
    TCovSettings* j = AddJob(dir + "/" + name + ".swf", dtImages);
    EXPECT_EQ(j->swfW, 100);
    EXPECT_EQ(j->swfH, 100);
  }
  RunBatch();
  for (const char* name : {"right", "left"}) {
    SCOPED_TRACE(name);
    const Picture p = DecodePicture(out + name + "-1.png");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.width, 100);
    EXPECT_EQ(p.height, 100);
    // The blue corner sits at the stage's top-left corner, the red fills the rest to the edges.
    EXPECT_EQ(p.Rgb(2, 2), 0x0000FFu);
    EXPECT_EQ(p.Rgb(17, 17), 0x0000FFu);
    EXPECT_EQ(p.Rgb(23, 23), 0xFF0000u);
    EXPECT_EQ(p.Rgb(97, 97), 0xFF0000u);
  }
}

TEST_F(ConversionRoadTest, MovieThePlayerCannotLoadWritesNothing) {
  // The first tag claims more bytes than the movie holds.
  WriteColorMovie(dir + "/a.swf", 32, 24, 10, 3);
  Bytes m = ReadAll(dir + "/a.swf");
  const size_t tag = FrameCountOffset(m) + 2;
  const uint16_t head = static_cast<uint16_t>(m[tag] | m[tag + 1] << 8);
  size_t body = tag + 2, length = head & 0x3F;
  if (length == 0x3F) {
    length =
        m[tag + 2] | m[tag + 3] << 8 | m[tag + 4] << 16 | static_cast<size_t>(m[tag + 5]) << 24;
    body += 4;
  }
  m.resize(body + length / 2);
  SetLength(m);
  WriteAll(dir + "/a.swf", m);
  WriteAll(dir + "/b.swf", m);
  AddJob(dir + "/a.swf", dtAVI);
  AddJob(dir + "/b.swf", dtImages);
  RunBatch();
  EXPECT_TRUE(ListFiles(out).empty());
  EXPECT_EQ(LogLines(),
            (Lines{"Status:> Ready... Click \"Start!\" menu to begin converting.",
                   "Status:> Converting \"a.swf\" to AVI. | " + out + "a.avi",
                   "Status:> Invalid or non-existing input file.",
                   "Status:> Converting \"b.swf\" to Image Sequence. | " + out + "b",
                   "Status:> Invalid or non-existing input file.", "Status:> All Finished"}));
  ExpectNothingLeft();
}

TEST_F(ConversionRoadTest, HeaderClaimingNoFramesWritesNothing) {
  WriteColorMovie(dir + "/a.swf", 32, 24, 10, 3);
  ClaimFrames(dir + "/a.swf", 0);
  for (uint8_t type : {dtAVI, dtMPEG, dtImages}) {
    TCovSettings* j = AddJob(dir + "/a.swf", type);
    EXPECT_EQ(j->destEndFrame, 0);
  }
  RunBatch();
  EXPECT_TRUE(ListFiles(out).empty());
  const Lines lines = LogLines();
  ASSERT_EQ(lines.size(), 8u);
  const std::string none =
      "Status:> No frame to convert: the range 1 to 0 holds no frame of the movie.";
  EXPECT_EQ(lines[2], none);
  EXPECT_EQ(lines[4], none);
  EXPECT_EQ(lines[6], none);
  ExpectNothingLeft();
}

TEST_F(ConversionRoadTest, EndFrameIsCutToTheFramesTheMovieHolds) {
  WriteColorMovie(dir + "/a.swf", 32, 24, 50, 10);
  ClaimFrames(dir + "/a.swf", 65535);
  TCovSettings* stepped = AddJob(dir + "/a.swf", dtAVI);
  TCovSettings* played = AddJob(dir + "/a.swf", dtAVI);
  played->destSequenceMode = 0;
  played->destFilename = "played.avi";
  TCovSettings* images = AddJob(dir + "/a.swf", dtImages);
  images->destStartFrame = 8;
  for (TCovSettings* j : {stepped, played, images}) EXPECT_EQ(j->destEndFrame, 65535);
  RunBatch();

  for (const char* f : {"a.avi", "played.avi"}) {
    SCOPED_TRACE(f);
    MediaInfo m = ProbeMedia(out + f);
    EXPECT_EQ(m.videoFrames, 10);
    EXPECT_EQ(DecodePicture(out + f, 9).Rgb(5, 5), FrameColor(10));
  }
  // The numbers keep the width of the range the job asked for.
  EXPECT_EQ(ListFiles(out),
            (Lines{"a-00008.png", "a-00009.png", "a-00010.png", "a.avi", "played.avi"}));
  const Lines lines = LogLines();
  const std::string cut = "Status:> The movie has only 10 frames; converting up to frame 10.";
  EXPECT_EQ(std::count(lines.begin(), lines.end(), cut), 3);
  EXPECT_EQ(form->FrameCounter.back(), "3/3 Frames Done");
}

// Intensity of a colour 0xRRGGBB, as the mask computes it.
uint8_t IntensityOf(uint32_t Rgb) {
  return static_cast<uint8_t>(((Rgb & 0xFF) * 21u + (Rgb >> 8 & 0xFF) * 174u + (Rgb >> 16) * 61u) >>
                              8);
}

TEST_F(ConversionRoadTest, UncompressedFramesKeepTheirOrderPixelsAndMask) {
  constexpr int kFrames = 24;
  WriteColorMovie(dir + "/a.swf", 48, 32, 25, kFrames);
  // Whole frames with an intensity mask, and a crop of them with the colour key as its mask.
  TCovSettings* whole = AddJob(dir + "/a.swf", dtAVI);
  TCovSettings* cropped = AddJob(dir + "/a.swf", dtAVI);
  cropped->destFilename = "crop.avi";
  cropped->destIsCrop = true;
  cropped->destCropX = 10;
  cropped->destCropY = 6;
  cropped->destCropW = 20;
  cropped->destCropH = 12;
  cropped->destAlphaMode = 3;
  for (TCovSettings* j : {whole, cropped}) {
    j->destAVICodecID = kMclFourCCDib;
    j->destColorDepth = 1;
  }
  whole->destAlphaMode = 1;
  form->KeyColor = FrameColor(5);
  RunBatch();
  for (const char* f : {"a.avi", "crop.avi"}) {
    SCOPED_TRACE(f);
    const bool crop = std::string(f) == "crop.avi";
    MediaInfo m = ProbeMedia(out + f);
    ASSERT_EQ(m.videoFrames, kFrames);
    EXPECT_EQ(m.width, crop ? 20 : 48);
    EXPECT_EQ(m.height, crop ? 12 : 32);
    for (int i = 0; i < kFrames; ++i) {
      const Picture p = DecodePicture(out + f, i);
      ASSERT_TRUE(p.ok);
      ASSERT_TRUE(p.hasAlpha);
      const uint32_t color = FrameColor(1 + i);
      for (auto [x, y] : {std::pair{0, 0}, std::pair{p.width - 1, p.height - 1}}) {
        EXPECT_EQ(p.Rgb(x, y), color) << i;
        EXPECT_EQ(p.Alpha(x, y), crop ? (i + 1 == 5 ? 0 : 255) : IntensityOf(color)) << i;
      }
    }
  }
  ExpectNothingLeft();
}

TEST_F(ConversionRoadTest, StoppedAndCancelledJobsLeaveNoObjects) {
  WriteColorMovie(dir + "/a.swf", 32, 24, 50, 200);
  for (uint8_t type : {dtAVI, dtImages}) {
    for (classlib::TMenuItem* item : {form->mniCancel, form->mniStop}) {
      SCOPED_TRACE(std::to_string(type) + " " + item->Caption());
      for (int i = 0; i < tree->items->Count(); ++i) tree->items->Item(i)->SetChecked(false);
      TCovSettings* j = AddJob(dir + "/a.swf", type);
      j->destColorDepth = 1;  // with the alpha bitmap and image as well
      j->destFilename = "a" + std::to_string(jobs.size()) + ".avi";
      seen_running = false;
      WhenDuringRun([&] { return form->prbCurrent->Position() >= 3; },
                    NoteRunning([item] { item->Click(); }));
      RunBatch();
      ExpectObjectsWhileRunning();
      ExpectNothingLeft();
    }
  }
}

TEST_F(ConversionRoadTest, JobFailingMidWayLeavesNoObjects) {
  // A file-size limit makes every write past 64 KB fail, as a full disk would: the video fails
  // after a few frames, the first 160 x 160 bitmap image at once.
  WriteColorMovie(dir + "/a.swf", 64, 64, 10, 40);
  WriteColorMovie(dir + "/b.swf", 160, 160, 10, 5);
  AddJob(dir + "/a.swf", dtAVI);
  AddJob(dir + "/b.swf", dtImages)->destImageType = 3;
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit old_limit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  rlimit limit = old_limit;
  limit.rlim_cur = 64 * 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  WhenDuringRun([&] { return form->prbCurrent->Position() >= 1; }, NoteRunning([] {}));
  RunBatch();
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);

  ExpectObjectsWhileRunning();
  ExpectNothingLeft();
  const Lines lines = LogLines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[2], "Status:> Error writing to output file.");
  EXPECT_EQ(lines[4], "Status:> Error writing to output file.");
}

// A message box that fails: the library's error question then throws out of the conversion.
class FailingDialogs : public classlib::TScriptedDialogService {
 public:
  int ShowMessageBox(const classlib::TMessageBoxRequest&) override {
    throw classlib::EInvalidOperation("no message box now");
  }
};

TEST_F(ConversionRoadTest, ExceptionOutOfAJobLeavesNoObjects) {
  WriteColorMovie(dir + "/a.swf", 32, 24, 10, 3);
  std::ofstream(dir + "/bad.wav") << "this is not a sound file";
  TCovSettings* a = AddJob(dir + "/a.swf", dtAVI);
  a->adoSource = asImport;
  a->adoFilename = dir + "/bad.wav";
  AddJob(dir + "/a.swf", dtAVI)->destFilename = "second.avi";
  form->mniErrAsk->Click();
  FailingDialogs failing;
  classlib::TDialogServiceGuard use(&failing);
  EXPECT_THROW(RunBatch(), classlib::EInvalidOperation);
  ExpectNothingLeft();
  EXPECT_FALSE(form->Converting);
  EXPECT_TRUE(ListFiles(out).empty());  // the failing output is removed, the second job never ran
  EXPECT_EQ(LogLines().back(), "Status:> All Finished");
}

}  // namespace
