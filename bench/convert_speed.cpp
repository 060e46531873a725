// Speed of the whole conversion road, by hand: a generated 640x480, 300-frame movie converted in
// frame-by-frame mode to an MJPEG AVI through the conversion window, against rendering the same
// frames alone (go to the frame, paint the stage into the frame bitmap) and encoding them alone
// (the same job settings fed from frames held in memory).
//   bench_convert_speed [runs]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/frame_capture.h"
#include "app/interact_form.h"
#include "app/job_record.h"
#include "platform/classlib/application.h"
#include "platform/classlib/file_utils.h"
#include "platform/classlib/std_controls.h"
#include "platform/encoder/mcl.h"
#include "platform/flash/format/writer.h"
#include "tests/treectl/fake_tree.h"
#include "treectl/tree_items.h"

using namespace lumicast;

namespace {

constexpr int kWidth = 640, kHeight = 480, kFrames = 300, kShapes = 40;
constexpr uint32_t kMjpg = 0x47504A4D;

double Seconds(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Forty anti-aliased circles over a gradient backdrop, each moving on its own path.
void WriteMovie(const std::string& path) {
  flash::SwfWriter w(8, kWidth, kHeight, 25);
  flash::ShapeBuilder back;
  flash::FillStyleSpec g;
  g.type = flash::FillStyleSpec::Type::Linear;
  g.gradient_matrix = {kWidth * 20 / 32768.0, 0, 0, kHeight * 20 / 32768.0, kWidth * 10, kHeight * 10};
  g.stops = {{0, {20, 40, 120, 255}}, {255, {230, 200, 90, 255}}};
  back.Rectangle(0, 0, kWidth * 20, kHeight * 20, back.AddFill(g));
  w.DefineShape(1, back);
  for (int i = 0; i < kShapes; ++i) {
    flash::ShapeBuilder s;
    const int fill = s.AddFill(flash::FillStyleSpec::Solid(
        {static_cast<uint8_t>(i * 53), static_cast<uint8_t>(255 - i * 31), static_cast<uint8_t>(i * 97), 210}));
    const int r = 400 + (i % 7) * 150;
    s.SetStyle(0, fill, 0);
    s.MoveTo(-r, 0);
    s.CurveTo(-r, -r, 0, -r);
    s.CurveTo(r, -r, r, 0);
    s.CurveTo(r, r, 0, r);
    s.CurveTo(-r, r, -r, 0);
    w.DefineShape(static_cast<uint16_t>(i + 2), s);
  }
  flash::PlaceSpec bg;
  bg.depth = 1;
  bg.character_id = 1;
  w.Place(bg);
  for (int f = 0; f < kFrames; ++f) {
    for (int i = 0; i < kShapes; ++i) {
      flash::PlaceSpec p;
      p.depth = static_cast<uint16_t>(i + 2);
      p.character_id = f == 0 ? i + 2 : -1;
      p.move = f > 0;
      p.has_matrix = true;
      const double a = f * 0.03 * (1 + i % 5) + i;
      p.matrix = {1, 0, 0, 1, std::round(kWidth * 10 + std::cos(a) * (2000 + i * 120)),
                  std::round(kHeight * 10 + std::sin(a * 1.3) * (1500 + i * 90))};
      w.Place(p);
    }
    w.ShowFrame();
  }
  w.Save(path, false);
}

void WriteSignalMovie(const std::string& path) {
  flash::SwfWriter w(6, 18, 18, 12);
  for (int frame = 0; frame < 2; ++frame) {
    w.DoAction(flash::ActionBuilder().GetUrl("FSCommand:enterFrame", "").Build());
    w.ShowFrame();
  }
  w.Save(path, false);
}

// Rendering alone: the conversion's capture of each frame, kept for the encoding run.
double RenderAlone(const std::string& movie, std::vector<std::unique_ptr<classlib::TBitmap>>* keep) {
  classlib::TForm form(nullptr);
  form.SetClientSize(kWidth + 20, kHeight + 20);
  auto* panel = new classlib::TPanel(&form);
  panel->SetParent(&form);
  panel->SetBounds(0, 0, kWidth, kHeight);
  auto* player = new TShockwaveFlashEx(&form);
  player->SetParent(panel);
  player->SetAlign(classlib::alClient);
  form.Show();
  player->SetMovie(movie);
  player->StopPlay();
  classlib::Application->ProcessMessages();
  classlib::TBitmap frame;
  frame.SetPixelFormat(classlib::pf24bit);
  frame.SetSize(kWidth, kHeight);
  double total = 0;
  for (int n = 1; n <= kFrames; ++n) {
    const auto t0 = std::chrono::steady_clock::now();
    CaptureFrame(player, panel, &frame, nullptr, nullptr, -1, n, 0, 0, 0xFFFFFF);
    total += Seconds(t0);
    if (keep) {
      auto copy = std::make_unique<classlib::TBitmap>();
      copy->Assign(&frame);
      keep->push_back(std::move(copy));
    }
  }
  form.Hide();
  return total;
}

struct HeldFrames {
  const std::vector<std::unique_ptr<classlib::TBitmap>>* frames;
  MclHandle image;
  size_t next = 0;
  static void Callback(MclHandle source, void* user) {
    auto* s = static_cast<HeldFrames*>(user);
    if (s->next >= s->frames->size()) {
      MclSourceFinished(source);
      return;
    }
    MclDIBToImg(s->image, (*s->frames)[s->next++].get());
    MclSourceSetImage(source, s->image);
    MclSourceSetFrameRate(source, 25.0);
  }
};

// Encoding alone, with the settings the video job gives the library.
double EncodeAlone(const TCovSettings& job, const std::vector<std::unique_ptr<classlib::TBitmap>>& frames,
                   const std::string& out) {
  MclHandle h = MclCreate();
  MclVideoSetKeepDuration(h, -1);
  MclAudioSetTruncateToVideo(h, -1);
  MclVideoSetFileName(h, out.c_str());
  MclVideoSetFileFormat(h, kMclFormatAvi);
  MclVideoSetCodec(h, job.destAVICodecID);
  MclVideoSetFormat(h, kWidth, kHeight, 24);
  MclVideoSetFrameRate(h, job.destAVIFrameRate);
  MclVideoSetBitRate(h, job.destAVIBitrate, job.destAVIMinBitrate, job.destAVIMaxBitrate);
  MclVideoSetQuality(h, job.destAVIQuality);
  MclVideoSetKeyFrameRate(h, job.destAVIKeyFramerate);
  HeldFrames src{&frames, MclImgCreate()};
  MclAssignVideoSource(h, &HeldFrames::Callback, &src);
  const auto t0 = std::chrono::steady_clock::now();
  const int32_t r = MclConvert(h);
  const double s = Seconds(t0);
  if (r != kMclOk) std::fprintf(stderr, "MclConvert returned %d\n", r);
  MclImgFree(src.image);
  MclFree(h);
  return s;
}

// The whole road through the conversion window; with Shown false the window stays hidden, so
// the player is never painted on screen and only the capture renders each frame.
double WholeRoad(TCovSettings* job, const std::string& fps, bool Shown = true) {
  lumitest::FakeTree tree;
  TElTreeItem* item = tree.items->AddItem(nullptr);
  item->Data = job;
  item->SetChecked(true);
  auto* form = new TInteractFrm(nullptr);
  form->AfterConstruction();
  form->FpsMovie = fps;
  form->JobList = tree.items.get();
  if (Shown) form->Show();
  classlib::Application->ProcessMessages();
  const auto t0 = std::chrono::steady_clock::now();
  form->mniStart->Click();
  const double s = Seconds(t0);
  form->Hide();
  delete form;
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  classlib::Application->Initialize();
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  char tmpl[] = "/tmp/convert-speed-XXXXXX";
  const std::string dir = mkdtemp(tmpl) ? tmpl : "/tmp";
  const std::string movie = dir + "/movie.swf", fps = dir + "/fps";
  WriteMovie(movie);
  WriteSignalMovie(fps);

  TCovSettings job;
  InitSettings(movie, &job, true);
  job.destType = dtAVI;
  job.destSequenceMode = 2;
  job.adoSource = asNone;
  job.destFilepath = dir + "/";
  job.destFilename = "road.avi";
  job.destAVICodecID = kMjpg;
  job.destAVIQuality = 75;

  double render = 1e9, encode = 1e9, road = 1e9, hidden = 1e9;
  for (int run = 0; run < runs; ++run) {
    std::vector<std::unique_ptr<classlib::TBitmap>> frames;
    render = std::min(render, RenderAlone(movie, &frames));
    encode = std::min(encode, EncodeAlone(job, frames, dir + "/alone.avi"));
    frames.clear();
    road = std::min(road, WholeRoad(&job, fps));
    hidden = std::min(hidden, WholeRoad(&job, fps, false));
  }
  std::printf("%d frames of %dx%d, frame by frame, MJPEG AVI (best of %d runs)\n", kFrames, kWidth, kHeight, runs);
  std::printf("  rendering alone : %7.3f s  (%6.1f frames/s)\n", render, kFrames / render);
  std::printf("  encoding alone  : %7.3f s  (%6.1f frames/s)\n", encode, kFrames / encode);
  std::printf("  whole road      : %7.3f s  (%6.1f frames/s)\n", road, kFrames / road);
  std::printf("  road / (render + encode) = %.3f (target <= 1.25)\n", road / (render + encode));
  std::printf("  road, window hidden: %7.3f s, ratio %.3f (the rest is the player's on-screen painting)\n", hidden,
              hidden / (render + encode));
  std::remove((dir + "/alone.avi").c_str());
  std::remove((dir + "/road.avi").c_str());
  std::remove(movie.c_str());
  std::remove(fps.c_str());
  rmdir(dir.c_str());
  return 0;
}
