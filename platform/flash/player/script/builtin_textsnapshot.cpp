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

constexpr char kSnapshotTag[] = "TextSnapshotClip";

// The clip a snapshot was made of. A clip taken off the stage afterwards still answers with the
// texts it showed last, and a clip later placed under the same name is a different clip. The
// snapshot does not keep the clip alive: once the clip is gone it answers with the text it read
// last (at the latest when it was made).
class SnapshotData : public ScriptObject {
 public:
  SnapshotData() : ScriptObject(Kind::Other) { class_name = kSnapshotTag; }
  std::weak_ptr<DisplayObject> clip;
  std::u32string last_text;
};

SnapshotData* DataOf(ScriptObject* self) {
  if (!self || !self->primitive.IsObject()) return nullptr;
  ScriptObject* d = self->primitive.object;
  return d->class_name == kSnapshotTag ? static_cast<SnapshotData*>(d) : nullptr;
}

// The static texts the clip shows now; the texts of a removed clip were removed with it and
// still count.
std::u32string ClipText(const MovieClip& clip) {
  std::u32string out;
  if (!clip.movie) return out;
  for (const auto& [depth, child] : clip.children) {
    if ((child->removed && !clip.removed) || child->type != DisplayObject::Type::Text ||
        !child->character)
      continue;
    out += StaticTextChars(static_cast<const StaticTextDef&>(*child->character), *clip.movie);
  }
  return out;
}

// All the clip's static text; false when the object is no snapshot of a clip.
bool SnapshotText(NativeCall& c, std::u32string& out) {
  SnapshotData* d = DataOf(c.This());
  if (!d) return false;
  if (auto clip = d->clip.lock()) d->last_text = ClipText(static_cast<const MovieClip&>(*clip));
  out = d->last_text;
  return true;
}

Value Construct(NativeCall& c) {
  ScriptObject* self = c.This();
  MovieClip* clip = c.vm.ClipOf(c.Arg(0));
  if (self && clip) {
    auto* d = c.vm.heap().New<SnapshotData>();
    d->clip = clip->shared_from_this();
    d->last_text = ClipText(*clip);
    self->primitive = Value::Object(d);
  }
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
