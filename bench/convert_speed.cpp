// Speed of the whole conversion road, by hand: a generated movie (default 640x480, 300 frames)
// converted in frame-by-frame mode to an MJPEG AVI through the conversion window, against
// capturing the same frames alone (go to the frame, paint the stage into the frame bitmap) and
// encoding them alone (the same job settings fed from frames held in memory), and the encoding
// library against the ffmpeg command on the same frames (MJPEG and DVD-PAL). With --gif it runs
// instead an animated GIF job of the same movie (true colour, every frame sampled) in a fresh
// process and reports its time and the process's peak memory.
// Every step runs in a fresh process, as a user starts a conversion ("fresh"), then once more in
// that process ("warm").
//   bench_convert_speed [--size WIDTH HEIGHT] [--frames N] [--no-ffmpeg] [--gif]
// One step alone (for a profiler): --step capture|encode|road|hidden|gif --dir FOLDER.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
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

int gWidth = 640, gHeight = 480, gFrames = 300;
constexpr int kShapes = 40;
// Frames held for the encoding runs: they repeat, so that the held frames stay few at large sizes.
constexpr int kHeldFrames = 50;
constexpr uint32_t kMjpg = 0x47504A4D;

double Seconds(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Processor time of every thread of the process so far, in seconds.
double ProcessorSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Processor time spent in the timed part of the last step run.
double gStepProcessor = 0;

// Forty anti-aliased circles over a gradient backdrop, each moving on its own path.
void WriteMovie(const std::string& path) {
  flash::SwfWriter w(8, gWidth, gHeight, 25);
  flash::ShapeBuilder back;
  flash::FillStyleSpec g;
  g.type = flash::FillStyleSpec::Type::Linear;
  g.gradient_matrix = {gWidth * 20 / 32768.0, 0, 0, gHeight * 20 / 32768.0, gWidth * 10.0,
                       gHeight * 10.0};
  g.stops = {{0, {20, 40, 120, 255}}, {255, {230, 200, 90, 255}}};
  back.Rectangle(0, 0, gWidth * 20, gHeight * 20, back.AddFill(g));
  w.DefineShape(1, back);
  for (int i = 0; i < kShapes; ++i) {
    flash::ShapeBuilder s;
    const int fill = s.AddFill(flash::FillStyleSpec::Solid({static_cast<uint8_t>(i * 53),
                                                            static_cast<uint8_t>(255 - i * 31),
                                                            static_cast<uint8_t>(i * 97), 210}));
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
  for (int f = 0; f < gFrames; ++f) {
    for (int i = 0; i < kShapes; ++i) {
      flash::PlaceSpec p;
      p.depth = static_cast<uint16_t>(i + 2);
      p.character_id = f == 0 ? i + 2 : -1;
      p.move = f > 0;
      p.has_matrix = true;
      const double a = f * 0.03 * (1 + i % 5) + i;
      p.matrix = {1,
                  0,
                  0,
                  1,
                  std::round(gWidth * 10 + std::cos(a) * (2000 + i * 120)),
                  std::round(gHeight * 10 + std::sin(a * 1.3) * (1500 + i * 90))};
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

// Rendering alone: the conversion's capture of each frame. Timed, it paints straight into a 32-bit
// image as the road does where the player makes up the stage; with keep given it captures 24-bit
// frames instead and keeps them for the encoding and ffmpeg runs (not timed then).
double RenderAlone(const std::string& movie,
                   std::vector<std::unique_ptr<classlib::TBitmap>>* keep) {
  classlib::TForm form(nullptr);
  form.SetClientSize(gWidth + 20, gHeight + 20);
  auto* panel = new classlib::TPanel(&form);
  panel->SetParent(&form);
  panel->SetBevelOuter(classlib::TBevelCut::bvNone);
  panel->SetBounds(0, 0, gWidth, gHeight);
  auto* player = new TShockwaveFlashEx(&form);
  player->SetParent(panel);
  player->SetAlign(classlib::alClient);
  form.Show();
  player->SetMovie(movie);
  player->StopPlay();
  classlib::Application->ProcessMessages();
  classlib::TBitmap frame;
  frame.SetPixelFormat(classlib::pf24bit);
  frame.SetSize(gWidth, gHeight);
  MclHandle image = MclImgCreate();
  double total = 0;
  gStepProcessor = 0;
  for (int n = 1; n <= gFrames; ++n) {
    const auto t0 = std::chrono::steady_clock::now();
    const double c0 = ProcessorSeconds();
    if (keep) {
      CaptureFrame(player, panel, &frame, nullptr, nullptr, -1, n, 0, 0, 0xFFFFFF);
    } else {
      const TDirectCapture r = CaptureFrameInto(
          player, panel, gWidth, gHeight, &frame, -1, n, 0, 0, 0xFFFFFF,
          [&](int w, int h) { return MclImgWritePixels(image, w, h, 0); });
      if (r != TDirectCapture::Captured) std::fprintf(stderr, "direct capture unavailable\n");
    }
    total += Seconds(t0);
    gStepProcessor += ProcessorSeconds() - c0;
    if (keep && keep->size() < size_t(kHeldFrames)) {
      auto copy = std::make_unique<classlib::TBitmap>();
      copy->Assign(&frame);
      keep->push_back(std::move(copy));
    }
  }
  MclImgFree(image);
  form.Hide();
  return total;
}

// The held frames as the library's 32-bit images, made before the clock starts, so encoding alone
// is fed as the road feeds it.
struct HeldFrames {
  std::vector<MclHandle> images;
  size_t next = 0;
  explicit HeldFrames(const std::vector<std::unique_ptr<classlib::TBitmap>>& frames) {
    for (const auto& f : frames) {
      images.push_back(MclImgCreate());
      MclDIBToImg(images.back(), f.get());
    }
  }
  ~HeldFrames() {
    for (MclHandle i : images) MclImgFree(i);
  }
  static void Callback(MclHandle source, void* user) {
    auto* s = static_cast<HeldFrames*>(user);
    if (s->next >= size_t(gFrames)) {
      MclSourceFinished(source);
      return;
    }
    MclSourceSetImage(source, s->images[s->next++ % s->images.size()]);
    MclSourceSetFrameRate(source, 25.0);
  }
};

// Encoding alone, with the settings the video job gives the library (or the DVD-PAL preset).
double EncodeAlone(const TCovSettings& job,
                   const std::vector<std::unique_ptr<classlib::TBitmap>>& frames,
                   const std::string& out, bool dvd = false) {
  MclHandle h = MclCreate();
  MclVideoSetKeepDuration(h, -1);
  MclAudioSetTruncateToVideo(h, -1);
  MclVideoSetFileName(h, out.c_str());
  if (dvd) {
    MclSetFormatPreset(h, kMclPresetDvd, kMclPal);
    MclVideoSetAspectRatio(h, kMclAspect4x3);
  } else {
    MclVideoSetFileFormat(h, kMclFormatAvi);
    MclVideoSetCodec(h, job.destAVICodecID);
    MclVideoSetFormat(h, gWidth, gHeight, 24);
    MclVideoSetFrameRate(h, job.destAVIFrameRate);
    MclVideoSetBitRate(h, job.destAVIBitrate, job.destAVIMinBitrate, job.destAVIMaxBitrate);
    MclVideoSetQuality(h, job.destAVIQuality);
    MclVideoSetKeyFrameRate(h, job.destAVIKeyFramerate);
  }
  HeldFrames src(frames);
  MclAssignVideoSource(h, &HeldFrames::Callback, &src);
  const auto t0 = std::chrono::steady_clock::now();
  const double c0 = ProcessorSeconds();
  const int32_t r = MclConvert(h);
  const double s = Seconds(t0);
  gStepProcessor = ProcessorSeconds() - c0;
  if (r != kMclOk) std::fprintf(stderr, "MclConvert returned %d\n", r);
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
  const double c0 = ProcessorSeconds();
  form->mniStart->Click();
  const double s = Seconds(t0);
  gStepProcessor = ProcessorSeconds() - c0;
  form->Hide();
  delete form;
  return s;
}

// The held frames as one raw file of B, G, R rows top-down, for the ffmpeg command.
void WriteRaw(const std::vector<std::unique_ptr<classlib::TBitmap>>& frames,
              const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  for (const auto& b : frames)
    for (int y = 0; y < b->Height(); ++y) std::fwrite(b->ScanLine(y), 1, size_t(b->Width()) * 3, f);
  std::fclose(f);
}

double RunCommand(const std::vector<std::string>& args) {
  const auto t0 = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  const double s = Seconds(t0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    std::fprintf(stderr, "%s failed\n", args[0].c_str());
  return s;
}

// The same frames through the ffmpeg command, with the settings the library uses.
double FfmpegAlone(const std::string& raw, const std::string& out, bool dvd) {
  const std::string size = std::to_string(gWidth) + "x" + std::to_string(gHeight);
  std::vector<std::string> a = {
      "ffmpeg",       "-v",    "error", "-y", "-f",        "rawvideo",
      "-pix_fmt",     "bgr24", "-s",    size, "-r",        "25",
      "-stream_loop", "-1",    "-i",    raw,  "-frames:v", std::to_string(gFrames)};
  if (dvd) {
    for (const char* x : {"-target", "pal-dvd", "-aspect", "4:3"}) a.push_back(x);
  } else {
    // Quality 75 of the library is quantiser 9, full-range samples.
    for (const char* x : {"-c:v", "mjpeg", "-q:v", "9", "-pix_fmt", "yuvj420p"}) a.push_back(x);
  }
  a.push_back(out);
  return RunCommand(a);
}

TCovSettings BenchJob(const std::string& movie, const std::string& dir) {
  TCovSettings job;
  InitSettings(movie, &job, true);
  job.destType = dtAVI;
  job.destSequenceMode = 2;
  job.adoSource = asNone;
  job.destFilepath = dir + "/";
  job.destFilename = "road.avi";
  job.destAVICodecID = kMjpg;
  job.destAVIQuality = 75;
  return job;
}

// One step in this (fresh) process: prints "<fresh seconds> <warm seconds>", then the processor
// seconds of each run (every thread's) where the step times conversions.
int RunStep(const std::string& step, const std::string& dir) {
  const std::string movie = dir + "/movie.swf", fps = dir + "/fps";
  TCovSettings job = BenchJob(movie, dir);
  double t[2] = {0, 0}, cpu[2] = {0, 0};
  // Runs a timed step twice (fresh, then warm), keeping its wall and processor times.
  auto twice = [&](const auto& run) {
    for (int i = 0; i < 2; ++i) {
      t[i] = run();
      cpu[i] = gStepProcessor;
    }
  };
  if (step == "capture") {
    twice([&] { return RenderAlone(movie, nullptr); });
  } else if (step == "road" || step == "hidden") {
    twice([&] { return WholeRoad(&job, fps, step == "road"); });
  } else if (step == "gif") {
    // One run only: the second figure is the peak memory in MB.
    job.destType = dtGIF;
    job.destFilename = "road.gif";
    job.destColorDepth = 1;  // true colour, reduced frame by frame
    job.destGIFFrameRate = 25;
    t[0] = WholeRoad(&job, fps, false);
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    t[1] = u.ru_maxrss / 1024.0;
    std::remove((dir + "/road.gif").c_str());
  } else {
    std::vector<std::unique_ptr<classlib::TBitmap>> frames;
    RenderAlone(movie, &frames);
    const bool dvd = step == "encode-dvd" || step == "ffmpeg-dvd";
    const std::string out = dir + (dvd ? "/alone.mpg" : "/alone.avi");
    if (step.rfind("ffmpeg", 0) == 0) {
      const std::string raw = dir + "/frames.bgr";
      WriteRaw(frames, raw);
      frames.clear();
      for (double& x : t) x = FfmpegAlone(raw, out, dvd);
      std::remove(raw.c_str());
    } else {
      twice([&] { return EncodeAlone(job, frames, out, dvd); });
    }
    std::remove(out.c_str());
  }
  std::printf("%.6f %.6f %.6f %.6f\n", t[0], t[1], cpu[0], cpu[1]);
  return 0;
}

struct Figures {
  double fresh = 0, warm = 0;
  double freshCpu = 0, warmCpu = 0;  // processor seconds, where the step reports them
};

// Runs a step in a fresh process of this program.
Figures Spawn(const std::string& step, const std::string& dir) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], 1);
    close(fds[0]);
    close(fds[1]);
    const std::string w = std::to_string(gWidth), h = std::to_string(gHeight),
                      n = std::to_string(gFrames);
    execl("/proc/self/exe", "bench_convert_speed", "--step", step.c_str(), "--dir", dir.c_str(),
          "--size", w.c_str(), h.c_str(), "--frames", n.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string text;
  char buf[256];
  ssize_t got;
  while ((got = read(fds[0], buf, sizeof buf)) > 0) text.append(buf, size_t(got));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  Figures f;
  if (std::sscanf(text.c_str(), "%lf %lf %lf %lf", &f.fresh, &f.warm, &f.freshCpu, &f.warmCpu) < 2)
    std::fprintf(stderr, "step %s failed\n", step.c_str());
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  std::string step, dir;
  bool withFfmpeg = true, gifOnly = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--size" && i + 2 < argc) {
      gWidth = std::max(16, std::atoi(argv[++i]));
      gHeight = std::max(16, std::atoi(argv[++i]));
    } else if (a == "--frames" && i + 1 < argc) {
      gFrames = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--step" && i + 1 < argc) {
      step = argv[++i];
    } else if (a == "--dir" && i + 1 < argc) {
      dir = argv[++i];
    } else if (a == "--no-ffmpeg") {
      withFfmpeg = false;
    } else if (a == "--gif") {
      gifOnly = true;
    } else {
      std::fprintf(stderr, "usage: %s [--size WIDTH HEIGHT] [--frames N] [--no-ffmpeg] [--gif]\n",
                   argv[0]);
      return 2;
    }
  }
  classlib::Application->Initialize();
  if (!step.empty()) {
    // A step run by hand (under a profiler, say) makes the movies it needs.
    if (!classlib::FileExists(dir + "/movie.swf")) {
      WriteMovie(dir + "/movie.swf");
      WriteSignalMovie(dir + "/fps");
    }
    return RunStep(step, dir);
  }

  char tmpl[] = "/tmp/convert-speed-XXXXXX";
  dir = mkdtemp(tmpl) ? tmpl : "/tmp";
  const std::string movie = dir + "/movie.swf", fps = dir + "/fps";
  WriteMovie(movie);
  WriteSignalMovie(fps);

  if (gifOnly) {
    const Figures gif = Spawn("gif", dir);
    std::printf("%d frames of %dx%d, animated GIF job in a fresh process: %.3f s, peak %.0f MB\n",
                gFrames, gWidth, gHeight, gif.fresh, gif.warm);
    std::remove(movie.c_str());
    std::remove(fps.c_str());
    rmdir(dir.c_str());
    return 0;
  }
  std::printf("%d frames of %dx%d, frame by frame, MJPEG AVI; seconds, fresh process / warm\n",
              gFrames, gWidth, gHeight);
  auto line = [](const char* name, const Figures& f) {
    std::printf(
        "  %-22s: fresh %7.3f s (%6.1f frames/s)  warm %7.3f s  fresh/warm %.2f  processor %.2f / "
        "%.2f s\n",
        name, f.fresh, gFrames / f.fresh, f.warm, f.warm > 0 ? f.fresh / f.warm : 0.0, f.freshCpu,
        f.warmCpu);
  };
  const Figures capture = Spawn("capture", dir);
  line("capture alone", capture);
  const Figures encode = Spawn("encode", dir);
  line("encoding alone", encode);
  const Figures road = Spawn("road", dir);
  line("whole road", road);
  const Figures hidden = Spawn("hidden", dir);
  line("whole road, hidden", hidden);
  for (int warm = 0; warm < 2; ++warm) {
    auto pick = [warm](const Figures& f) { return warm ? f.warm : f.fresh; };
    const double slower = std::max(pick(capture), pick(encode));
    std::printf(
        "  %s: road / slower of capture and encoding = %.3f (target <= 1.15), road / sum = %.3f\n",
        warm ? "warm " : "fresh", pick(road) / slower, pick(road) / (pick(capture) + pick(encode)));
  }
  // However well the steps overlap, the road cannot take less than their processor time spread
  // over every core.
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  std::printf(
      "  warm : processor time of capture and encoding over %u cores = %.3f s, %.3f times the "
      "slower step\n",
      cores, (capture.warmCpu + encode.warmCpu) / cores,
      (capture.warmCpu + encode.warmCpu) / cores / std::max(capture.warm, encode.warm));
  if (withFfmpeg) {
    for (int dvd = 0; dvd < 2; ++dvd) {
      const Figures lib = Spawn(dvd ? "encode-dvd" : "encode", dir);
      const Figures ff = Spawn(dvd ? "ffmpeg-dvd" : "ffmpeg", dir);
      std::printf(
          "  %s: library %.3f s / %.3f s warm, ffmpeg command %.3f s / %.3f s, ratio %.2f / %.2f "
          "(target <= 1.1)\n",
          dvd ? "DVD-PAL" : "MJPEG  ", lib.fresh, lib.warm, ff.fresh, ff.warm, lib.fresh / ff.fresh,
          lib.warm / ff.warm);
    }
  }
  std::remove((dir + "/road.avi").c_str());
  std::remove(movie.c_str());
  std::remove(fps.c_str());
  rmdir(dir.c_str());
  return 0;
}
