// Fuzz entry point: any bytes as a text field's HTML (multiline and single-line) must parse, write
// back as HTML, parse again and lay out without touching memory outside its buffers.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/flash/text/html_text.h"
#include "platform/flash/text/text_field.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string html(reinterpret_cast<const char*>(data), size);
  flash::text::TextFormat base;
  for (bool multiline : {false, true}) {
    auto runs = flash::text::ParseHtml(html, base, multiline);
    flash::text::ParseHtml(flash::text::ToHtml(runs, base), base, multiline);
  }
  flash::EditTextDef def;
  def.bounds = {0, 2000, 0, 1000};
  def.multiline = def.word_wrap = def.html = def.has_text = true;
  def.initial_text = html;
  flash::text::TextField field(def, nullptr);
  field.Layout();
  field.GlyphRuns();
  field.MaxScroll();
  field.BottomScroll();
  return 0;
}
