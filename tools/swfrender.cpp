// Renders a movie the way the player control shows it, for tests, benchmarks and by hand:
//   swfrender [--trace] [--quality low|high] [--input EVENTS.json] MOVIE FRAMES OUT.png
//             [WIDTH HEIGHT]
// FRAMES timer ticks are delivered (FRAMES 1 shows frame 1); OUT.png "-" writes no picture.
// --input replays recorded mouse and key events: after each tick, the events up to the next
// Wait.
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/flash/format/errors.h"
#include "platform/flash/player/player.h"
#include "platform/flash/stage_painter.h"

namespace {

int Usage() {
  std::fprintf(
      stderr,
      "usage: swfrender [--trace] [--quality low|high] [--input EVENTS.json] MOVIE FRAMES "
      "OUT.png [WIDTH HEIGHT]\n");
  return 2;
}

bool ParseInt(const char* s, int& out) {
  char* end = nullptr;
  long v = std::strtol(s, &end, 10);
  if (!end || *end || v < 0 || v > 100000) return false;
  out = static_cast<int>(v);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  bool trace = false;
  flash::Quality quality = flash::Quality::High;
  std::vector<std::string> args;
  std::string input_path;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--trace") {
      trace = true;
    } else if (a == "--input" && i + 1 < argc) {
      input_path = argv[++i];
    } else if (a == "--quality" && i + 1 < argc) {
      std::string q = argv[++i];
      if (q == "low")
        quality = flash::Quality::Low;
      else if (q == "high")
        quality = flash::Quality::High;
      else
        return Usage();
    } else {
      args.push_back(a);
    }
  }
  if (args.size() != 3 && args.size() != 5) return Usage();
  int frames = 0, width = 0, height = 0;
  if (!ParseInt(args[1].c_str(), frames)) return Usage();
  if (args.size() == 5 && (!ParseInt(args[3].c_str(), width) ||
                           !ParseInt(args[4].c_str(), height) || width == 0 || height == 0))
    return Usage();

  std::vector<std::vector<flash::InputEvent>> batches;
  if (!input_path.empty()) {
    std::ifstream in(input_path, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "swfrender: cannot open %s\n", input_path.c_str());
      return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    try {
      batches = flash::InputBatches(flash::ParseInputEvents(text.str()));
    } catch (const std::runtime_error& e) {
      std::fprintf(stderr, "swfrender: %s: %s\n", input_path.c_str(), e.what());
      return 1;
    }
  }

  flash::Player player;
  player.quality = quality;
  if (trace)
    player.on_trace = [](const std::string& line) {
      std::fwrite(line.data(), 1, line.size(), stdout);
      std::fputc('\n', stdout);
    };
  try {
    player.LoadFile(0, args[0]);
  } catch (const flash::FormatError& e) {
    std::fprintf(stderr, "swfrender: cannot read %s: %s\n", args[0].c_str(), e.what());
    return 1;
  }
  for (int i = 0; i < frames; ++i) {
    player.Tick();
    if (static_cast<size_t>(i) < batches.size())
      for (const flash::InputEvent& e : batches[static_cast<size_t>(i)]) player.Deliver(e);
  }
  std::fflush(stdout);
  if (args[2] == "-") return 0;

  flash::RectTwips stage = player.StageRect();
  if (width == 0) {
    width = std::max(1, (stage.xmax - stage.xmin) / 20);
    height = std::max(1, (stage.ymax - stage.ymin) / 20);
  }
  // Premultiplied B,G,R,A bytes are the memory layout of QImage's premultiplied ARGB32.
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  flash::RenderTarget target{image.bits(), width, height, static_cast<int>(image.bytesPerLine())};
  flash::PaintStage(player, target, player.Background());
  QImage out = image.convertToFormat(QImage::Format_RGBA8888);
  if (!out.save(QString::fromStdString(args[2]), "PNG")) {
    std::fprintf(stderr, "swfrender: cannot write %s\n", args[2].c_str());
    return 1;
  }
  return 0;
}
