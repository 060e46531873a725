// The conversion window's live preview during a run: the encoder receives every captured frame
// in order while the window shows only whole frames of the movie (skipping those it has no time
// for), and a run stopped half-way leaves no preview or picture behind.
#include <cstring>
#include <memory>

#include <gtest/gtest.h>

#include "app/live_preview.h"
#include "platform/classlib/application.h"
#include "platform/classlib/timer.h"
#include "platform/encoder/handles.h"
#include "tests/app/conversion_fixture.h"

using namespace convtest;
using namespace lumicast;

namespace {

// 0xRRGGBB of a picture whose every pixel has the same colour and is opaque; -1 otherwise.
int64_t WholeColor(const TLivePreview::TPicture& P) {
  if (P.pixels.size() != size_t(P.width) * size_t(P.height) * 4 || P.pixels.empty()) return -1;
  const uint8_t* p = P.pixels.data();
  for (size_t i = 0; i < P.pixels.size(); i += 4)
    if (std::memcmp(p + i, p, 3) != 0 || p[i + 3] != 255) return -1;
  return int64_t(p[2]) << 16 | int64_t(p[1]) << 8 | p[0];
}

// Looks at what the window would show, on the user-interface thread, every time the run lets
// messages through: the frame number of each picture, or 0 for a picture that is no frame.
class PreviewWatch {
 public:
  PreviewWatch(TInteractFrm* Form, int Frames) : form_(Form), frames_(Frames) {
    timer_.SetInterval(1);
    timer_.SetOnTimer([this](classlib::TObject*) { Look(); });
  }
  std::vector<int> shown;  // frame numbers in the order shown
  int runs_seen = 0;       // ticks with a preview alive

 private:
  void Look() {
    TLivePreview* preview = form_->Flash != nullptr ? form_->Flash->LivePreview() : nullptr;
    if (preview == nullptr) return;
    ++runs_seen;
    if (!preview->PictureWaiting()) return;
    const TLivePreview::TPicture& p = preview->ShownPicture();
    const int64_t color = WholeColor(p);
    int frame = 0;
    for (int n = 1; n <= frames_ && frame == 0; ++n)
      if (color == int64_t(FrameColor(n))) frame = n;
    shown.push_back(frame);
  }
  TInteractFrm* form_;
  int frames_;
  classlib::TTimer timer_{nullptr};
};

TEST_F(ConversionTest, ShownWindowEncodesEveryFrameInOrderWhileThePreviewShowsWholeFrames) {
  constexpr int kFrames = 40;
  WriteColorMovie(dir + "/a.swf", 64, 48, 25, kFrames);
  AddJob(dir + "/a.swf", dtAVI);
  PreviewWatch watch(form, kFrames);
  RunBatch();
  MediaInfo m = ProbeMedia(out + "a.avi");
  ASSERT_TRUE(m.ok);
  ASSERT_EQ(m.videoFrames, kFrames);
  for (int i = 0; i < kFrames; ++i)
    EXPECT_EQ(DecodePicture(out + "a.avi", i).Rgb(30, 20), FrameColor(1 + i)) << i;
  EXPECT_GT(watch.runs_seen, 0) << "the run never let the preview be looked at";
  for (size_t i = 0; i < watch.shown.size(); ++i) {
    EXPECT_GT(watch.shown[i], 0) << "picture " << i << " is not a whole frame of the movie";
    if (i > 0) {
      EXPECT_GT(watch.shown[i], watch.shown[i - 1]) << "picture " << i << " went back";
    }
  }
  EXPECT_LE(watch.shown.size(), size_t(kFrames));
  // The run is over: the preview and its pictures are gone, the window paints as before.
  EXPECT_EQ(form->Flash->LivePreview(), nullptr);
}

TEST_F(ConversionTest, StopInTheMiddleLeavesNoPreviewOrFrameAlive) {
  const int previews_before = TLivePreview::LiveCount();
  const size_t handles_before = mcl::LiveHandleCount();
  WriteColorMovie(dir + "/a.swf", 64, 48, 25, 200);
  for (uint8_t type : {dtAVI, dtGIF, dtImages}) AddJob(dir + "/a.swf", type);
  bool alive_during_run = false;
  WhenDuringRun(
      [this] { return form->JobObjects() != nullptr && form->prbCurrent->Position() >= 5; },
      [&] {
        alive_during_run = TLivePreview::LiveCount() == previews_before + 1;
        form->mniStop->Click();
      });
  RunBatch();
  EXPECT_TRUE(alive_during_run);
  EXPECT_EQ(TLivePreview::LiveCount(), previews_before);
  EXPECT_EQ(form->Flash->LivePreview(), nullptr);
  EXPECT_EQ(form->JobObjects(), nullptr);
  EXPECT_EQ(mcl::LiveHandleCount(), handles_before);
  // The window still paints the player (now empty) the ordinary way.
  classlib::Application->ProcessMessages();
}

}  // namespace
