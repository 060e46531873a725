// Reads DefineButton, DefineButton2 and DefineButtonCxform. Every read is bounds-checked.
#include "platform/flash/format/button.h"

#include "platform/flash/format/errors.h"
#include "platform/flash/format/reader.h"
#include "platform/flash/format/tag_codes.h"
#include "platform/flash/format/writer.h"

namespace flash {
namespace {

// The records up to the zero end flag. A tag that ends where the end flag should be ends the
// list too.
void ReadRecords(Reader& r, ButtonDef& b) {
  while (!r.AtEnd()) {
    uint8_t flags = r.U8();
    if (flags == 0) return;
    ButtonRecord rec;
    rec.states = flags & 0x0F;
    rec.character_id = r.U16();
    rec.depth = r.U16();
    rec.matrix = r.ReadMatrix();
    if (b.version == 2) {
      rec.color_transform = r.ReadColorTransform(true);
      if (flags & 0x10) rec.filters = ReadFilterList(r);
      if (flags & 0x20) rec.blend_mode = r.U8();
    }
    b.records.push_back(std::move(rec));
  }
}

std::shared_ptr<const std::vector<uint8_t>> Code(const uint8_t* p, size_t n) {
  return std::make_shared<const std::vector<uint8_t>>(p, p + n);
}

}  // namespace

std::shared_ptr<ButtonDef> ParseButton(uint16_t tag_code, const uint8_t* data, size_t length) {
  Reader r(data, length);
  auto b = std::make_shared<ButtonDef>(r.U16());
  if (tag_code == kTagDefineButton) {
    b->version = 1;
    ReadRecords(r, *b);
    // One action block, run on release.
    ButtonAction a;
    a.conditions = kCondOverDownToOverUp;
    a.actions = Code(r.Current(), r.Remaining());
    if (r.Remaining() > 0) b->actions.push_back(std::move(a));
    return b;
  }
  b->version = 2;
  b->track_as_menu = (r.U8() & 0x01) != 0;
  const size_t offset_at = r.Position();
  const uint16_t action_offset = r.U16();
  ReadRecords(r, *b);
  if (action_offset == 0) return b;
  // The offset counts from its own field.
  size_t at = offset_at + action_offset;
  while (at + 4 <= length) {
    Reader c(data + at, length - at);
    const uint16_t size = c.U16();
    const uint16_t cond = c.U16();
    // The last record's size is zero: its code runs to the end of the tag.
    size_t code_len = size == 0 ? c.Remaining() : static_cast<size_t>(size) < 4 ? 0 : size - 4u;
    if (code_len > c.Remaining())
      throw FormatError("button action runs past its tag", data + at);
    ButtonAction a;
    a.conditions = cond & 0x01FF;
    a.key_code = static_cast<uint8_t>(cond >> 9);
    a.actions = Code(c.Current(), code_len);
    b->actions.push_back(std::move(a));
    if (size == 0 || size < 4) break;
    at += size;
  }
  return b;
}

uint16_t ParseButtonCxform(const uint8_t* data, size_t length, ColorTransform& out) {
  Reader r(data, length);
  uint16_t id = r.U16();
  out = r.ReadColorTransform(false);
  return id;
}

std::vector<uint8_t> EncodeButton(const ButtonDef& b) {
  BitWriter w;
  w.U16(b.id);
  if (b.version == 2) w.U8(b.track_as_menu ? 1 : 0);
  BitWriter records;
  for (const ButtonRecord& rec : b.records) {
    const bool filters = b.version == 2 && !rec.filters.empty();
    const bool blend = b.version == 2 && rec.blend_mode != 0;
    records.U8(static_cast<uint8_t>((rec.states & 0x0F) | (filters ? 0x10 : 0) | (blend ? 0x20 : 0)));
    records.U16(rec.character_id);
    records.U16(rec.depth);
    records.WriteMatrix(rec.matrix);
    if (b.version == 2) {
      records.WriteColorTransform(rec.color_transform, true);
      if (filters) WriteFilterList(records, rec.filters);
      if (blend) records.U8(rec.blend_mode);
    }
  }
  records.U8(0);
  const std::vector<uint8_t>& rec_bytes = records.Data();
  if (b.version == 1) {
    w.Bytes(rec_bytes);
    if (!b.actions.empty() && b.actions[0].actions) w.Bytes(*b.actions[0].actions);
    return w.Data();
  }
  w.U16(b.actions.empty() ? 0 : static_cast<uint16_t>(2 + rec_bytes.size()));
  w.Bytes(rec_bytes);
  for (size_t i = 0; i < b.actions.size(); ++i) {
    const ButtonAction& a = b.actions[i];
    const size_t code = a.actions ? a.actions->size() : 0;
    w.U16(i + 1 == b.actions.size() ? 0 : static_cast<uint16_t>(4 + code));
    w.U16(static_cast<uint16_t>((a.conditions & 0x01FF) | (a.key_code << 9)));
    if (a.actions) w.Bytes(*a.actions);
  }
  return w.Data();
}

}  // namespace flash
