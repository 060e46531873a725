// Renders a movie the way the player control shows it, for tests, benchmarks and by hand:
//   swfrender [--trace] [--quality low|high] MOVIE FRAMES OUT.png [WIDTH HEIGHT]
// FRAMES timer ticks are delivered (FRAMES 1 shows frame 1); OUT.png "-" writes no picture.
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "platform/flash/format/errors.h"
#include "platform/flash/player/player.h"
#include "platform/flash/stage_painter.h"

namespace {

int Usage() {
  std::fprintf(
      stderr,
      "usage: swfrender [--trace] [--quality low|high] MOVIE FRAMES OUT.png [WIDTH HEIGHT]\n");
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
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--trace") {
      trace = true;
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
  for (int i = 0; i < frames; ++i) player.Tick();
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
