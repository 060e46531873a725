// Fuzz entry point: any bytes given as a movie must load or fail with FormatError, then play a
// few ticks, decode every bitmap and render without touching memory outside its buffers.
#include <pthread.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/flash/format/bitmap.h"
#include "platform/flash/format/errors.h"
#include "platform/flash/player/player.h"
#include "platform/flash/stage_painter.h"

namespace {

struct Input {
  const uint8_t* data;
  size_t size;
};

void PlayMovie(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  flash::Player player;
  try {
    player.LoadBytes(0, bytes);
  } catch (const flash::FormatError&) {
    return;
  }
  // Bitmaps are decoded when drawn; decode them all so that every image reaches its decoder.
  if (const flash::MovieDef* movie = player.Movie(0))
    for (const auto& [id, def] : movie->dictionary)
      if (def->kind == flash::CharacterDef::Kind::Bitmap)
        static_cast<const flash::BitmapDef&>(*def).Pixels();
  for (int i = 0; i < 3; ++i) player.Tick();
  std::vector<uint8_t> pixels(64 * 48 * 4);
  flash::PaintStage(player, {pixels.data(), 64, 48, 64 * 4}, {255, 255, 255, 255});
}

void* PlayOnThread(void* arg) {
  const auto* in = static_cast<const Input*>(arg);
  PlayMovie(in->data, in->size);
  return nullptr;
}

// The sanitizers make every interpreter frame many times its normal size, so the deepest call
// chain the player allows (nested script calls up to the call-depth limit) would overflow the
// main thread's stack here although it fits easily in a normal build. The movie plays on a
// thread whose stack is large enough for the instrumented frames.
constexpr size_t kStackBytes = size_t{256} << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in{data, size};
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, kStackBytes);
  pthread_t thread;
  if (pthread_create(&thread, &attr, PlayOnThread, &in) != 0) std::abort();
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
  return 0;
}
