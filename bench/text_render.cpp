// Text drawing speed, by hand: a 640x480 frame with 1,000 glyphs of device text in a wrapping
// field and 1,000 glyphs of embedded static text, and each alone.
//   bench_text_render
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/flash/format/font.h"
#include "platform/flash/format/writer.h"
#include "platform/flash/player/player.h"
#include "platform/flash/stage_painter.h"

namespace {

double MsPerFrame(flash::Player& p, int rounds) {
  std::vector<uint8_t> px(640 * 480 * 4);
  flash::RenderTarget t{px.data(), 640, 480, 640 * 4};
  flash::PaintStage(p, t, p.Background());  // first frame lays out and caches outlines
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) flash::PaintStage(p, t, p.Background());
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / rounds;
}

// A glyph outline without styles: an "o"-like ring of eight curves, in a 1024 EM.
std::vector<uint8_t> RingGlyph() {
  flash::BitWriter w;
  w.UB(1, 4);
  w.UB(0, 4);
  const int n = 14;
  auto move = [&](int x, int y) {
    w.UB(0, 1);
    w.UB(0b00011, 5);
    w.UB(n, 5);
    w.SB(x, n);
    w.SB(y, n);
    w.UB(1, 1);
  };
  auto curve = [&](int cx, int cy, int ax, int ay) {
    w.UB(1, 1);
    w.UB(0, 1);
    w.UB(n - 2, 4);
    w.SB(cx, n);
    w.SB(cy, n);
    w.SB(ax, n);
    w.SB(ay, n);
  };
  for (int r : {250, 150}) {
    move(300 - r, -300);
    curve(0, -r, r, 0);
    curve(r, 0, 0, r);
    curve(0, r, -r, 0);
    curve(-r, 0, 0, -r);
  }
  w.UB(0, 6);
  return w.Data();
}

std::vector<uint8_t> Font(uint16_t id) {
  auto glyph = RingGlyph();
  flash::BitWriter w;
  w.U16(id);
  w.U8(0x80 | 0x04);
  w.U8(0);
  w.U8(1);
  w.U8('R');
  w.U16(1);
  w.U16(4);
  w.U16(static_cast<uint16_t>(4 + glyph.size()));
  w.Bytes(glyph);
  w.U16('o');
  w.U16(800);
  w.U16(200);
  w.U16(0);
  w.U16(620);
  w.Rect({0, 600, -600, 0});
  w.U16(0);
  return w.Data();
}

std::vector<uint8_t> StaticText(uint16_t id, uint16_t font, int glyphs) {
  flash::BitWriter w;
  w.U16(id);
  w.Rect({0, 12800, 0, 9600});
  w.WriteMatrix(flash::Matrix{});
  w.U8(1);
  w.U8(12);
  for (int line = 0; line * 50 < glyphs; ++line) {
    w.U8(0x80 | 0x08 | 0x04 | 0x02 | 0x01);
    w.U16(font);
    w.Rgb({0, 0, 0, 255});
    w.U16(100);
    w.U16(static_cast<uint16_t>(5200 + line * 200));
    w.U16(240);
    w.U8(50);
    for (int i = 0; i < 50; ++i) {
      w.UB(0, 1);
      w.SB(150, 12);
    }
    w.Flush();
  }
  w.U8(0);
  return w.Data();
}

std::vector<uint8_t> DeviceField(uint16_t id, int glyphs) {
  std::string text;
  const std::string words = "The quick brown fox jumps over the lazy dog. ";
  while (static_cast<int>(text.size()) < glyphs) text += words;
  text.resize(glyphs);
  flash::BitWriter w;
  w.U16(id);
  w.Rect({0, 12800, 0, 4800});
  w.U8(0x80 | 0x40 | 0x20 | 0x01);
  w.U8(0);
  w.U16(1);  // the font: no glyphs, drawn with the device font of its name
  w.U16(240);
  w.String("");
  w.String(text);
  return w.Data();
}

}  // namespace

int main() {
  struct Case {
    const char* name;
    bool device, embedded;
  };
  for (Case c : {Case{"1,000 device + 1,000 embedded glyphs", true, true}, Case{"1,000 device glyphs", true, false},
                 Case{"1,000 embedded glyphs", false, true}}) {
    flash::SwfWriter w(8, 640, 480, 24);
    flash::BitWriter device_font;
    device_font.U16(1);
    device_font.U8(0);
    device_font.U8(0);
    device_font.U8(5);
    for (char ch : std::string("Arial")) device_font.U8(static_cast<uint8_t>(ch));
    device_font.U16(0);
    w.Tag(flash::kTagDefineFont2, device_font.Data());
    w.Tag(flash::kTagDefineFont2, Font(2));
    w.Tag(flash::kTagDefineEditText, DeviceField(3, 1000));
    w.Tag(flash::kTagDefineText, StaticText(4, 2, 1000));
    flash::PlaceSpec p;
    if (c.device) {
      p.depth = 1;
      p.character_id = 3;
      w.Place(p);
    }
    if (c.embedded) {
      p.depth = 2;
      p.character_id = 4;
      w.Place(p);
    }
    w.ShowFrame();
    flash::Player player;
    player.LoadBytes(0, w.Finish(false));
    std::printf("%s, 640x480, high quality: %.2f ms/frame\n", c.name, MsPerFrame(player, 50));
    player.quality = flash::Quality::Low;
    std::printf("%s, 640x480, low quality:  %.2f ms/frame\n", c.name, MsPerFrame(player, 50));
  }
}
