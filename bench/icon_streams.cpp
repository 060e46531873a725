// Timing of the icon readers, run by hand:
//   bench_icon_streams
// 1. an animated cursor of 64 frames of 32x32 (8 bits) read from memory;
// 2. an icon list of 256 icons streamed out and read back in.
#include <cstdio>
#include <memory>
#include <vector>

#include "bench/median_time.h"
#include "imaging/animated_cursor.h"
#include "imaging/icon_list.h"
#include "platform/classlib/stream.h"
#include "tests/imaging/ico_writer.h"

using namespace lumicast;
using namespace classlib;

int main() {
  std::vector<std::vector<uint8_t>> icons;
  for (int i = 0; i < 64; ++i)
    icons.push_back(icotest::ChunkOf("icon", icotest::MakeIco(32, 8, 0x010101u * i)));
  const auto ani = icotest::Riff({icotest::Anih(64, 64, 6), icotest::ListOf("fram", icons)});
  const double ani_ms = benchutil::MedianMs(21, [&] {
    TMemoryStream in;
    in.Write(ani.data(), static_cast<int64_t>(ani.size()));
    in.SetPosition(0);
    TAnimatedCursorImage image;
    image.LoadFromStream(&in);
  });
  std::printf("animated cursor, 64 frames 32x32: %.3f ms\n", ani_ms);

  TIconList list;
  for (int i = 0; i < 256; ++i) {
    const auto bytes = icotest::MakeIco(32, 32, 0x010203u * i);
    TMemoryStream ms;
    ms.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    ms.SetPosition(0);
    TIcon icon;
    icon.LoadFromStream(&ms);
    list.Add(&icon);
  }
  const double list_ms = benchutil::MedianMs(21, [&] {
    TMemoryStream out;
    list.WriteData(&out);
    out.SetPosition(0);
    TIconList back;
    back.ReadData(&out);
  });
  std::printf("icon list, 256 icons out and in: %.3f ms\n", list_ms);
  return 0;
}
