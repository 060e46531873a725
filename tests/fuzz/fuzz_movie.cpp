// Fuzz entry point: any bytes given as a movie must load or fail with FormatError, then play ten
// ticks with their sound mixed, decode every bitmap and render at both qualities without touching
// memory outside its buffers.
#include <pthread.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/flash/format/bitmap.h"
#include "platform/flash/format/errors.h"
#include "platform/flash/player/player.h"
#include "platform/flash/sound/movie_sound.h"
#include "platform/flash/stage_painter.h"

namespace {

struct Input {
  const uint8_t* data;
  size_t size;
};

void Paint(const flash::Player& player, int width, int height) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  flash::PaintStage(player, {pixels.data(), width, height, width * 4}, {255, 255, 255, 255});
}

void PlayMovie(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  flash::Player player;
  // The movie's sound is mixed here, a tenth of a second after every tick, never on a device.
  auto sound = std::make_unique<flash::MovieSound>();
  sound->SetAutoAttach(false);
  flash::SoundMixer& mixer = sound->Mixer();
  player.sound = std::move(sound);
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
  std::vector<int16_t> mix(4410 * 2);
  // A script that loops until the tick's action budget runs out takes seconds per tick under the
  // sanitizers; such a movie stops ticking early so that fuzzing goes on at a useful rate.
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 10 && std::chrono::steady_clock::now() - start < std::chrono::seconds(2);
       ++i) {
    player.Tick();
    mixer.Render(mix.data(), 4410);
    // A small picture early on, while the first frames show; a larger one at the end, where
    // filters and text cover enough pixels to matter, at the movie's quality and at low quality.
    if (i == 2) Paint(player, 64, 48);
  }
  Paint(player, 320, 240);
  player.quality =
      player.quality == flash::Quality::Low ? flash::Quality::High : flash::Quality::Low;
  Paint(player, 320, 240);
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

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("LUMICAST_SOUND", "none", 1);
  return 0;
}

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
