// Fuzz entry point: any bytes given as a movie must load or fail with FormatError, then play a
// few ticks, decode every bitmap and render without touching memory outside its buffers.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/flash/format/bitmap.h"
#include "platform/flash/format/errors.h"
#include "platform/flash/player/player.h"
#include "platform/flash/stage_painter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  flash::Player player;
  try {
    player.LoadBytes(0, bytes);
  } catch (const flash::FormatError&) {
    return 0;
  }
  // Bitmaps are decoded when drawn; decode them all so that every image reaches its decoder.
  if (const flash::MovieDef* movie = player.Movie(0))
    for (const auto& [id, def] : movie->dictionary)
      if (def->kind == flash::CharacterDef::Kind::Bitmap) static_cast<const flash::BitmapDef&>(*def).Pixels();
  for (int i = 0; i < 3; ++i) player.Tick();
  std::vector<uint8_t> pixels(64 * 48 * 4);
  flash::PaintStage(player, {pixels.data(), 64, 48, 64 * 4}, {255, 255, 255, 255});
  return 0;
}
