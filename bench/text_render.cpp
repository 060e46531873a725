// Text drawing speed, by hand: a 640x480 frame with 1,000 glyphs of device text in a wrapping
// field and 1,000 glyphs of embedded static text, and each alone.
//   bench_text_render
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/flash/format/writer.h"
#include "platform/flash/player/player.h"
#include "platform/flash/text/text_field.h"
#include "platform/flash/stage_painter.h"

namespace {

double MsPerFrame(flash::Player& p, int rounds) {
  std::vector<uint8_t> px(640 * 480 * 4);
  flash::RenderTarget t{px.data(), 640, 480, 640 * 4};
  flash::PaintStage(p, t, p.Background());  // first frame lays out and caches outlines
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) flash::PaintStage(p, t, p.Background());
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
             .count() /
         rounds;
}

// An "o"-like glyph: a ring of eight curves in a 1024 EM, on the baseline.
std::vector<uint8_t> RingGlyph() {
  flash::ShapeBuilder g;
  int fill = g.AddFill(flash::FillStyleSpec::Solid({0, 0, 0, 255}));
  g.SetStyle(0, fill, 0);
  for (int r : {250, 150}) {
    int cx = 300, cy = -300;
    g.MoveTo(cx - r, cy);
    g.CurveTo(cx - r, cy - r, cx, cy - r);
    g.CurveTo(cx + r, cy - r, cx + r, cy);
    g.CurveTo(cx + r, cy + r, cx, cy + r);
    g.CurveTo(cx - r, cy + r, cx - r, cy);
  }
  return g.EncodeGlyph();
}

flash::FontSpec RingFont() {
  flash::FontSpec f;
  f.name = "R";
  f.glyphs = {{'o', RingGlyph(), 620, {0, 600, -600, 0}}};
  f.ascent = 800;
  f.descent = 200;
  return f;
}

flash::StaticTextSpec StaticText(uint16_t font, int glyphs) {
  flash::StaticTextSpec t;
  t.bounds = {0, 12800, 0, 9600};
  for (int line = 0; line * 50 < glyphs; ++line) {
    flash::StaticTextSpec::Record r;
    r.font_id = font;
    r.has_color = r.has_x = r.has_y = true;
    r.x = 100;
    r.y = static_cast<int16_t>(5200 + line * 200);
    r.glyphs.assign(50, {0, 150});
    t.records.push_back(r);
  }
  return t;
}

flash::EditTextSpec DeviceField(uint16_t font, int glyphs) {
  const std::string words = "The quick brown fox jumps over the lazy dog. ";
  flash::EditTextSpec f;
  while (static_cast<int>(f.text.size()) < glyphs) f.text += words;
  f.text.resize(static_cast<size_t>(glyphs));
  f.bounds = {0, 12800, 0, 4800};
  f.word_wrap = f.multiline = true;
  f.font_id = font;  // a font without glyphs: drawn with the device font of its name
  return f;
}

// Frames whose size grows by a pixel each time, so every glyph is drawn at a new scale.
double MsPerZoomingFrame(flash::Player& p, int rounds) {
  std::vector<uint8_t> px(800 * 600 * 4);
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) {
    int w = 640 + i, h = 480 + i * 3 / 4;
    flash::PaintStage(p, {px.data(), w, h, w * 4}, p.Background());
  }
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
             .count() /
         rounds;
}

}  // namespace

// Typing into a field of 10,000 characters: one character inserted in the middle, then the
// field laid out again, as a key press does.
double MsPerKey(bool embedded_font) {
  flash::EditTextDef def;
  def.bounds = {0, 12800, 0, 9600};
  def.multiline = def.word_wrap = true;
  flash::text::TextField field(def, nullptr);
  field.embed_fonts =
      embedded_font;  // no movie: an embedded field finds no font and lays out empty glyphs
  std::string text;
  while (text.size() < 10000) text += "The quick brown fox jumps over the lazy dog. ";
  text.resize(10000);
  field.SetText(text);
  field.Layout();
  const int keys = 50;
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < keys; ++i) {
    field.ReplaceText(5000, 5000, "x");
    field.Layout();
  }
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
             .count() /
         keys;
}

int main() {
  std::printf("typing into 10,000 characters of device text: %.3f ms/key\n", MsPerKey(false));
  struct Case {
    const char* name;
    bool device, embedded;
  };
  for (Case c :
       {Case{"1,000 device + 1,000 embedded glyphs", true, true},
        Case{"1,000 device glyphs", true, false}, Case{"1,000 embedded glyphs", false, true}}) {
    flash::SwfWriter w(8, 640, 480, 24);
    flash::FontSpec device_font;
    device_font.name = "Arial";
    device_font.has_layout = false;
    w.DefineFont(1, device_font);
    w.DefineFont(2, RingFont());
    w.DefineEditText(3, DeviceField(1, 1000));
    w.DefineText(4, StaticText(2, 1000));
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
    player.quality = flash::Quality::High;
    std::printf("%s, zooming from 640x480, high quality: %.2f ms/frame\n", c.name,
                MsPerZoomingFrame(player, 20));
  }
}
