// The live preview between the capturing thread and the screen: slots passed between a writer
// and a reader on other threads, pictures that are shown whole, newest first, skipped rather
// than queued, and a preview that ends with nothing of its pictures left.
#include "app/live_preview.h"

#include <dirent.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

using namespace lumicast;

namespace {

// Every value of a slot carries the number of the frame written into it.
struct Stamped {
  std::vector<int> values;
};

bool Uniform(const Stamped& s, int& Value) {
  if (s.values.empty()) return false;
  Value = s.values[0];
  for (int v : s.values)
    if (v != Value) return false;
  return true;
}

// Fills a picture buffer with grey level N (B = G = R = N) and a fourth byte of 0.
void FillPicture(uint8_t* Pixels, int Width, int Height, int N) {
  for (size_t i = 0; i < size_t(Width) * size_t(Height); ++i) {
    Pixels[i * 4] = Pixels[i * 4 + 1] = Pixels[i * 4 + 2] = static_cast<uint8_t>(N);
    Pixels[i * 4 + 3] = 0;
  }
}

// The grey level of a picture whose every pixel is (N, N, N, 255); -1 for an empty, mixed or
// transparent one.
int WholeGrey(const TLivePreview::TPicture& P) {
  if (P.pixels.empty() || P.pixels.size() != size_t(P.width) * size_t(P.height) * 4) return -1;
  const uint8_t n = P.pixels[0];
  for (size_t i = 0; i < P.pixels.size(); i += 4)
    if (P.pixels[i] != n || P.pixels[i + 1] != n || P.pixels[i + 2] != n || P.pixels[i + 3] != 255)
      return -1;
  return n;
}

// Takes pictures until one is ready (the worker is on another thread); returns its grey level.
int NextShownGrey(TLivePreview& Preview) {
  while (!Preview.PictureWaiting()) std::this_thread::yield();
  return WholeGrey(Preview.ShownPicture());
}

}  // namespace

TEST(LatestSlot, ReaderTakesOnlyTheNewestPublishedSlotAndNeverSharesTheWritersSlot) {
  TLatestSlot<Stamped> slots;
  EXPECT_FALSE(slots.Take()) << "nothing published yet";
  EXPECT_FALSE(slots.Fresh());
  for (int n = 1; n <= 3; ++n) {
    slots.WriteSlot().values.assign(8, n);
    slots.Publish();
  }
  EXPECT_TRUE(slots.Fresh());
  ASSERT_TRUE(slots.Take());
  int v = 0;
  ASSERT_TRUE(Uniform(slots.ReadSlot(), v));
  EXPECT_EQ(v, 3) << "the older frames are skipped";
  EXPECT_FALSE(slots.Take()) << "a slot is taken once";
  // Whatever the writer does next, the slot the reader holds stays as it was.
  const Stamped* held = &slots.ReadSlot();
  for (int n = 4; n <= 9; ++n) {
    EXPECT_NE(&slots.WriteSlot(), held);
    slots.WriteSlot().values.assign(8, n);
    slots.Publish();
  }
  ASSERT_TRUE(Uniform(*held, v));
  EXPECT_EQ(v, 3);
  ASSERT_TRUE(slots.Take());
  ASSERT_TRUE(Uniform(slots.ReadSlot(), v));
  EXPECT_EQ(v, 9);
}

TEST(LatestSlot, ReaderOnAnotherThreadSeesWholeFramesInOrder) {
  TLatestSlot<Stamped> slots;
  constexpr int kFrames = 3000;
  std::thread writer([&] {
    for (int n = 1; n <= kFrames; ++n) {
      // Written value by value, so that a slot shared with the reader would show mixed values.
      std::vector<int>& values = slots.WriteSlot().values;
      values.resize(2048);
      for (int& x : values) x = n;
      slots.Publish();
    }
  });
  int last = 0, taken = 0, broken = 0, backwards = 0;
  while (last != kFrames) {
    if (!slots.Take()) {
      std::this_thread::yield();
      continue;
    }
    int v = 0;
    if (!Uniform(slots.ReadSlot(), v)) {
      ++broken;
      continue;
    }
    if (v <= last) ++backwards;
    last = v;
    ++taken;
  }
  writer.join();
  EXPECT_EQ(broken, 0);
  EXPECT_EQ(backwards, 0);
  EXPECT_GE(taken, 1);
}

TEST(LivePreview, ShownPicturesAreWholeOpaqueAndNewerEachTime) {
  constexpr int kW = 96, kH = 64, kFrames = 250;
  TLivePreview preview;
  EXPECT_TRUE(preview.ShownPicture().pixels.empty()) << "nothing to show before a picture";
  std::thread capture([&] {
    for (int n = 1; n <= kFrames; ++n) {
      uint8_t* buffer = preview.PictureBuffer(kW, kH);
      FillPicture(buffer, kW, kH, n);
      preview.Publish();
      // The capture goes on reading the published picture while the worker copies it.
      EXPECT_EQ(buffer[0], static_cast<uint8_t>(n));
    }
  });
  int last = 0, shown = 0;
  while (last != kFrames) {
    const int grey = NextShownGrey(preview);
    ASSERT_GT(grey, last) << "a half-made, transparent or older picture was shown";
    last = grey;
    ++shown;
  }
  capture.join();
  EXPECT_EQ(preview.ShownPicture().width, kW);
  EXPECT_EQ(preview.ShownPicture().height, kH);
  EXPECT_LE(shown, kFrames);
}

TEST(LivePreview, PicturesNotShownInTimeAreSkippedNotQueued) {
  constexpr int kW = 40, kH = 30, kFrames = 120;
  TLivePreview preview;
  // The screen paints nothing while the capture makes all its pictures.
  for (int n = 1; n <= kFrames; ++n) {
    FillPicture(preview.PictureBuffer(kW, kH), kW, kH, n);
    preview.Publish();
  }
  // The worker made at most one picture meanwhile; once that is shown, the next is the newest.
  int shown = 0, grey = 0;
  while (grey != kFrames) {
    const int next = NextShownGrey(preview);
    ASSERT_GT(next, grey);
    grey = next;
    ++shown;
  }
  EXPECT_LE(shown, 2);
  EXPECT_FALSE(preview.PictureWaiting());
}

TEST(LivePreview, PictureSizeFollowsTheCaptureAndEndingFreesEverything) {
  const int before = TLivePreview::LiveCount();
  {
    TLivePreview preview;
    EXPECT_EQ(TLivePreview::LiveCount(), before + 1);
    FillPicture(preview.PictureBuffer(20, 10), 20, 10, 7);
    preview.Publish();
    EXPECT_EQ(NextShownGrey(preview), 7);
    FillPicture(preview.PictureBuffer(8, 30), 8, 30, 9);
    preview.Publish();
    EXPECT_EQ(NextShownGrey(preview), 9);
    EXPECT_EQ(preview.ShownPicture().width, 8);
    EXPECT_EQ(preview.ShownPicture().height, 30);
    // A picture left waiting and one in the worker's hands do not hold up the end.
    FillPicture(preview.PictureBuffer(8, 30), 8, 30, 10);
    preview.Publish();
    while (!preview.PictureWaiting()) std::this_thread::yield();
    FillPicture(preview.PictureBuffer(8, 30), 8, 30, 11);
    preview.Publish();
  }
  EXPECT_EQ(TLivePreview::LiveCount(), before);
}

TEST(LivePreview, OpaqueCopySetsOnlyTheFourthByte) {
  const std::vector<uint8_t> src = {1, 2, 3, 0, 250, 251, 252, 17, 9, 8, 7, 255};
  std::vector<uint8_t> dst(src.size(), 0xAA);
  CopyOpaque(src.data(), dst.data(), 2);
  EXPECT_EQ(dst, (std::vector<uint8_t>{1, 2, 3, 255, 250, 251, 252, 255, 0xAA, 0xAA, 0xAA, 0xAA}));
}

namespace {

// Nice values of this process's threads, from /proc (field 19 of each thread's stat line).
std::vector<int> ThreadNiceValues() {
  std::vector<int> values;
  DIR* d = opendir("/proc/self/task");
  if (d == nullptr) return values;
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] == '.') continue;
    std::ifstream in(std::string("/proc/self/task/") + e->d_name + "/stat");
    std::string line;
    std::getline(in, line);
    const size_t end = line.rfind(')');
    if (end == std::string::npos) continue;
    std::istringstream fields(line.substr(end + 2));
    std::string field;
    // Fields from the third on: the nice value is the 17th of them.
    for (int i = 3; i <= 19 && fields >> field; ++i)
      if (i == 19) values.push_back(std::stoi(field));
  }
  closedir(d);
  return values;
}

int ThreadsNicerThan(int Nice) {
  int n = 0;
  for (int v : ThreadNiceValues()) n += v > Nice ? 1 : 0;
  return n;
}

}  // namespace

// The worker making pictures for the screen runs below the capture's priority, so that it never
// holds up the threads that render the frames; it goes with the preview.
TEST(LivePreview, WorkerRunsAtALowerPriorityThanTheCapture) {
  const int own = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
  if (own >= 19) GTEST_SKIP() << "already at the lowest priority";
  const int before = ThreadsNicerThan(own);
  auto seen = [&](int Count) {
    for (int i = 0; i < 200; ++i) {
      if (ThreadsNicerThan(own) == Count) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  };
  {
    TLivePreview preview;
    EXPECT_TRUE(seen(before + 1));
  }
  EXPECT_TRUE(seen(before));
}
