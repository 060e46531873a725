// Writes the two frame-signal movies placed beside the program: each is a two-frame looping movie
// whose every frame calls getURL "FSCommand:enterFrame", so the host hears of every shown frame.
//   make_fps OUT_FPS OUT_FPS1
#include <cstdio>

#include "platform/flash/format/writer.h"

namespace {

bool WriteSignalMovie(const char* path) {
  flash::SwfWriter w(6, 18, 18, 12);
  for (int frame = 0; frame < 2; ++frame) {
    w.DoAction(flash::ActionBuilder().GetUrl("FSCommand:enterFrame", "").Build());
    w.ShowFrame();
  }
  return w.Save(path, false);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_fps OUT_FPS OUT_FPS1\n");
    return 2;
  }
  for (int i = 1; i < 3; ++i) {
    if (!WriteSignalMovie(argv[i])) {
      std::fprintf(stderr, "make_fps: cannot write %s\n", argv[i]);
      return 1;
    }
  }
  return 0;
}
