// Helpers of the conversion tests: generated movies whose every frame shows one known colour, a
// job list on a minimal tree host, the conversion window wired to both with a scripted dialog
// service, and independent readers (libavformat) of the videos and images the jobs write.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/interact_form.h"
#include "app/job_record.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/timer.h"
#include "tests/support/test_app.h"
#include "tests/treectl/fake_tree.h"

namespace convtest {

// Colour (0xRRGGBB) that frame `Frame` (1-based) of a generated movie shows over its whole stage.
uint32_t FrameColor(int Frame);

// Writes a movie of `Frames` frames, each filling the Width x Height stage with FrameColor(n).
// Rate is the frame rate in frames per second (0 writes a rate of 0).
void WriteColorMovie(const std::string& Path, int Width, int Height, double Rate, int Frames);

// Writes a 16-bit PCM WAVE file of `Seconds` seconds holding a constant non-zero level.
void WriteWave(const std::string& Path, int Rate, int Channels, double Seconds,
               int16_t Level = 8000);

// What an independent reader sees in a video file.
struct MediaInfo {
  bool ok = false;
  int streams = 0;
  bool hasVideo = false;
  bool hasAudio = false;
  std::string videoCodec;
  int width = 0;
  int height = 0;
  double fps = 0;              // the video stream's average (or base) rate
  int videoFrames = 0;         // video packets read
  double audioSeconds = 0;     // decoded sample frames / sample rate
  std::vector<int16_t> audio;  // decoded first channel, 16-bit
  int audioRate = 0;
};
MediaInfo ProbeMedia(const std::string& Path);

// A decoded picture as top-down RGBA bytes.
struct Picture {
  bool ok = false;
  int width = 0;
  int height = 0;
  bool hasAlpha = false;  // the file's pixel format carries alpha
  std::vector<uint8_t> rgba;
  uint32_t Rgb(int X, int Y) const;
  uint8_t Alpha(int X, int Y) const;
};
// Frame `Index` (0-based) of a video, or the image in an image file.
Picture DecodePicture(const std::string& Path, int Index = 0);

// Sorted names (without folder) of the files in Folder.
std::vector<std::string> ListFiles(const std::string& Folder);

// The conversion window over a job list, with a scripted dialog service installed. The window
// records every log line together with the file and frame counters shown at that moment.
class TRecordingInteractFrm : public lumicast::TInteractFrm {
 public:
  using TInteractFrm::TInteractFrm;
  void Log(const std::string& Line) override;
  std::vector<std::pair<std::string, std::string>> LogWithCounter;
  std::vector<std::string> FrameCounter;  // labCurrent at each line
};

class ConversionTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A job for the movie at MoviePath (header read from the file) writing into the test's output
  // folder, checked, added to the list. Returns the job.
  lumicast::TCovSettings* AddJob(const std::string& MoviePath, uint8_t DestType,
                                 bool Checked = true);
  // Runs the batch through the "Start!" menu item.
  void RunBatch();
  // Log lines in order.
  std::vector<std::string> LogLines() const;
  // Runs Action once, from a timer that ticks while the batch lets messages run, as soon as
  // Condition holds.
  void WhenDuringRun(std::function<bool()> Condition, std::function<void()> Action);

  lumitest::TempDir temp_dir;  // removed after each test
  std::string dir;             // fresh per test
  std::string out;             // output folder, with trailing "/"
  classlib::TScriptedDialogService dialogs;
  std::unique_ptr<classlib::TDialogServiceGuard> guard;
  std::unique_ptr<lumitest::FakeTree> tree;
  std::vector<std::unique_ptr<lumicast::TCovSettings>> jobs;
  TRecordingInteractFrm* form = nullptr;
  std::unique_ptr<classlib::TTimer> watcher;
};

}  // namespace convtest
