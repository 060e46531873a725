// TextSnapshot: the characters of the static texts a clip shows (its own children, in depth
// order), read back from the glyphs through their fonts' code tables; and
// MovieClip.getTextSnapshot, which makes one through whatever _global.TextSnapshot is then.
#include <algorithm>
#include <cmath>

#include "platform/flash/format/font.h"
#include "platform/flash/player/action_runner.h"

namespace flash {

namespace {

// The characters of one static text: each glyph's code in the record's font; glyphs a font
// does not have (or records without a font) give nothing.
std::u32string StaticTextChars(const StaticTextDef& text, const MovieDef& movie) {
  std::u32string out;
  for (const TextRecord& rec : text.records) {
    const CharacterDef* c = movie.Find(rec.font_id);
    if (!c || c->kind != CharacterDef::Kind::Font) continue;
    const auto& font = static_cast<const FontDef&>(*c);
    for (const TextGlyphEntry& g : rec.glyphs)
      if (g.index < font.glyphs.size()) out += static_cast<char32_t>(font.glyphs[g.index].code);
  }
  return out;
}

// The snapshot's clip: kept in the object's primitive slot by the constructor.
MovieClip* SnapshotClip(NativeCall& c) {
  ScriptObject* self = c.This();
  return self ? c.vm.ClipOf(self->primitive) : nullptr;
}

// All the clip's static text; false when the object has no clip.
bool SnapshotText(NativeCall& c, std::u32string& out) {
  MovieClip* clip = SnapshotClip(c);
  if (!clip || !clip->movie) return false;
  out.clear();
  for (const auto& [depth, child] : clip->children) {
    if (child->removed || child->type != DisplayObject::Type::Text || !child->character) continue;
    out += StaticTextChars(static_cast<const StaticTextDef&>(*child->character), *clip->movie);
  }
  return true;
}

Value Construct(NativeCall& c) {
  if (ScriptObject* self = c.This())
    if (c.vm.ClipOf(c.Arg(0))) self->primitive = c.Arg(0);
  return Value::Undefined();
}

Value GetCount(NativeCall& c) {
  std::u32string text;
  if (!SnapshotText(c, text)) return Value::Undefined();
  return Value::Number(static_cast<double>(text.size()));
}

// getText(start, end): the characters from start up to end, both clamped to the text.
Value GetText(NativeCall& c) {
  std::u32string text;
  if (c.Count() < 2 || !SnapshotText(c, text)) return Value::Undefined();
  const double n = static_cast<double>(text.size());
  double from = c.vm.ToNumber(c.Arg(0)), to = c.vm.ToNumber(c.Arg(1));
  from = std::isnan(from) ? 0 : std::clamp(std::trunc(from), 0.0, n);
  to = std::isnan(to) ? 0 : std::clamp(std::trunc(to), from, n);
  return Value::String(text::Utf32ToUtf8(
      text.substr(static_cast<size_t>(from), static_cast<size_t>(to - from))));
}

char32_t Lower(char32_t ch) { return ch < 128 && ch >= 'A' && ch <= 'Z' ? ch + 32 : ch; }

// findText(start, text, caseSensitive): the first place at or after start where the text
// stands, or -1 (also for an empty text or a start outside the text). Other argument counts
// give undefined.
Value FindText(NativeCall& c) {
  std::u32string text;
  if (c.Count() != 3 || !SnapshotText(c, text)) return Value::Undefined();
  const double start = c.vm.ToNumber(c.Arg(0));
  const std::u32string needle = text::Utf8ToUtf32(c.vm.ToString(c.Arg(1)));
  const bool exact = c.vm.ToBool(c.Arg(2));
  if (!(start >= 0) || start > static_cast<double>(text.size()) || needle.empty())
    return Value::Number(-1);
  for (size_t at = static_cast<size_t>(start); at + needle.size() <= text.size(); ++at) {
    size_t i = 0;
    while (i < needle.size() && (exact ? text[at + i] == needle[i]
                                       : Lower(text[at + i]) == Lower(needle[i])))
      ++i;
    if (i == needle.size()) return Value::Number(static_cast<double>(at));
  }
  return Value::Number(-1);
}

// MovieClip.getTextSnapshot(): new _global.TextSnapshot(this), whatever that constructor is now.
Value GetTextSnapshot(NativeCall& c) {
  Value ctor = c.vm.GetMember(Value::Object(c.vm.realm().global), "TextSnapshot");
  return c.vm.Construct(ctor, {c.self});
}

}  // namespace

void InstallTextSnapshot(Realm& realm) {
  ScriptObject* proto = realm.NewObject();
  realm.Class("TextSnapshot", Construct, nullptr, proto);
  realm.Method(proto, "getCount", GetCount);
  realm.Method(proto, "getText", GetText);
  realm.Method(proto, "findText", FindText);
  if (realm.movieclip_proto)
    realm.Method(realm.movieclip_proto, "getTextSnapshot", GetTextSnapshot);
}

}  // namespace flash
