// Injected-input lists: a JSON array of event objects such as
//   {"type": "MouseDown", "pos": [160, 160], "btn": "Left"}, {"type": "KeyDown", "key": "Tab"},
//   {"type": "TextInput", "codepoint": "a"}, {"type": "TextControl", "code": "Paste"},
//   {"type": "SetClipboardText", "text": "..."}, {"type": "Wait"}.
// The reader takes the JSON subset such lists use (objects, arrays, strings, numbers, literals).
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <stdexcept>

#include "platform/flash/format/utf8.h"
#include "platform/flash/player/input.h"

namespace flash {
namespace {

struct Json {
  enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
  double number = 0;
  bool boolean = false;
  std::string string;
  std::vector<Json> items;
  std::map<std::string, Json> members;
  const Json* Member(const std::string& name) const {
    auto it = members.find(name);
    return it == members.end() ? nullptr : &it->second;
  }
};

class JsonReader {
 public:
  explicit JsonReader(const std::string& s) : s_(s) {}

  Json Document() {
    Json v = Value(0);
    Space();
    if (at_ != s_.size()) Fail("text after the list");
    return v;
  }

 private:
  static constexpr int kMaxNesting = 64;
  const std::string& s_;
  size_t at_ = 0;

  [[noreturn]] void Fail(const char* what) const {
    throw std::runtime_error(std::string("input list at byte ") + std::to_string(at_) + ": " +
                             what);
  }
  void Space() {
    while (at_ < s_.size() &&
           (s_[at_] == ' ' || s_[at_] == '\n' || s_[at_] == '\r' || s_[at_] == '\t'))
      ++at_;
  }
  bool Eat(char c) {
    Space();
    if (at_ < s_.size() && s_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  void Expect(char c) {
    if (!Eat(c)) Fail("unexpected character");
  }

  uint32_t Hex4() {
    if (at_ + 4 > s_.size()) Fail("escape cut short");
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = s_[at_++];
      v <<= 4;
      if (c >= '0' && c <= '9')
        v |= static_cast<uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f')
        v |= static_cast<uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F')
        v |= static_cast<uint32_t>(c - 'A' + 10);
      else
        Fail("bad escape");
    }
    return v;
  }

  std::string String() {
    Expect('"');
    std::string out;
    while (true) {
      if (at_ >= s_.size()) Fail("string not closed");
      const char c = s_[at_++];
      if (c == '"') return out;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ >= s_.size()) Fail("string not closed");
      const char e = s_[at_++];
      switch (e) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u': {
          uint32_t cp = Hex4();
          if (cp >= 0xD800 && cp < 0xDC00 && at_ + 6 <= s_.size() && s_[at_] == '\\' &&
              s_[at_ + 1] == 'u') {
            at_ += 2;
            const uint32_t low = Hex4();
            if (low >= 0xDC00 && low < 0xE000)
              cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          }
          AppendUtf8(out, static_cast<char32_t>(cp));
          break;
        }
        default: out += e; break;
      }
    }
  }

  Json Value(int depth) {
    if (depth > kMaxNesting) Fail("nested too deeply");
    Space();
    if (at_ >= s_.size()) Fail("value missing");
    Json v;
    const char c = s_[at_];
    if (c == '{') {
      ++at_;
      v.kind = Json::Kind::Object;
      if (Eat('}')) return v;
      do {
        Space();
        std::string key = String();
        Expect(':');
        v.members[key] = Value(depth + 1);
      } while (Eat(','));
      Expect('}');
    } else if (c == '[') {
      ++at_;
      v.kind = Json::Kind::Array;
      if (Eat(']')) return v;
      do v.items.push_back(Value(depth + 1));
      while (Eat(','));
      Expect(']');
    } else if (c == '"') {
      v.kind = Json::Kind::String;
      v.string = String();
    } else if (s_.compare(at_, 4, "true") == 0 || s_.compare(at_, 5, "false") == 0) {
      v.kind = Json::Kind::Bool;
      v.boolean = s_[at_] == 't';
      at_ += v.boolean ? 4 : 5;
    } else if (s_.compare(at_, 4, "null") == 0) {
      at_ += 4;
    } else {
      const char* begin = s_.c_str() + at_;
      char* end = nullptr;
      v.number = std::strtod(begin, &end);
      if (end == begin || !std::isfinite(v.number)) Fail("bad value");
      v.kind = Json::Kind::Number;
      at_ += static_cast<size_t>(end - begin);
    }
    return v;
  }
};

uint32_t FirstCodePoint(const std::string& s) {
  if (s.empty()) return 0;
  const auto b = [&](size_t i) { return i < s.size() ? static_cast<uint8_t>(s[i]) & 0x3Fu : 0u; };
  const uint8_t c = static_cast<uint8_t>(s[0]);
  if (c < 0x80) return c;
  if (c < 0xE0) return ((c & 0x1Fu) << 6) | b(1);
  if (c < 0xF0) return ((c & 0x0Fu) << 12) | (b(1) << 6) | b(2);
  return ((c & 0x07u) << 18) | (b(1) << 12) | (b(2) << 6) | b(3);
}

TextCommand CommandOf(const std::string& name) {
  static const std::pair<const char*, TextCommand> kNames[] = {
      {"Paste", TextCommand::Paste},
      {"Copy", TextCommand::Copy},
      {"Cut", TextCommand::Cut},
      {"SelectAll", TextCommand::SelectAll},
      {"Backspace", TextCommand::Backspace},
      {"Delete", TextCommand::Delete},
      {"Enter", TextCommand::Enter},
      {"MoveLeft", TextCommand::MoveLeft},
      {"MoveRight", TextCommand::MoveRight},
      {"MoveLeftLine", TextCommand::MoveLeftLine},
      {"MoveRightLine", TextCommand::MoveRightLine}};
  for (const auto& [n, c] : kNames)
    if (name == n) return c;
  return TextCommand::Other;
}

}  // namespace

std::vector<InputEvent> ParseInputEvents(const std::string& json) {
  Json doc = JsonReader(json).Document();
  if (doc.kind != Json::Kind::Array) throw std::runtime_error("input list: not a list of events");
  std::vector<InputEvent> events;
  for (const Json& item : doc.items) {
    if (item.kind != Json::Kind::Object)
      throw std::runtime_error("input list: event not an object");
    InputEvent e;
    const Json* type = item.Member("type");
    const std::string t = type && type->kind == Json::Kind::String ? type->string : "";
    static const std::pair<const char*, InputEvent::Kind> kKinds[] = {
        {"MouseMove", InputEvent::Kind::MouseMove},
        {"MouseDown", InputEvent::Kind::MouseDown},
        {"MouseUp", InputEvent::Kind::MouseUp},
        {"KeyDown", InputEvent::Kind::KeyDown},
        {"KeyUp", InputEvent::Kind::KeyUp},
        {"TextInput", InputEvent::Kind::TextInput},
        {"TextControl", InputEvent::Kind::TextControl},
        {"FocusGained", InputEvent::Kind::FocusGained},
        {"FocusLost", InputEvent::Kind::FocusLost},
        {"SetClipboardText", InputEvent::Kind::SetClipboardText},
        {"MouseWheel", InputEvent::Kind::MouseWheel},
        {"ImePreedit", InputEvent::Kind::ImePreedit},
        {"Wait", InputEvent::Kind::Wait}};
    for (const auto& [name, kind] : kKinds)
      if (t == name) e.kind = kind;
    if (const Json* pos = item.Member("pos");
        pos && pos->kind == Json::Kind::Array && pos->items.size() == 2) {
      e.x = pos->items[0].number;
      e.y = pos->items[1].number;
    }
    if (const Json* btn = item.Member("btn"); btn && btn->kind == Json::Kind::String)
      e.button = btn->string == "Right"    ? MouseButton::Right
                 : btn->string == "Middle" ? MouseButton::Middle
                                           : MouseButton::Left;
    if (const Json* key = item.Member("key"); key && key->kind == Json::Kind::String) {
      e.key_code = KeyCodeOfName(key->string);
    } else if (key && key->kind == Json::Kind::Object) {
      // {"Char": "a"}: a key that types that character.
      const Json* ch = key->Member("Char");
      if (ch && ch->kind == Json::Kind::String) {
        e.key_code = KeyCodeOfName(ch->string);
        e.character = FirstCodePoint(ch->string);
      }
    }
    if (const Json* cp = item.Member("codepoint")) {
      if (cp->kind == Json::Kind::String)
        e.character = FirstCodePoint(cp->string);
      else if (cp->kind == Json::Kind::Number && cp->number >= 0 && cp->number < 0x110000)
        e.character = static_cast<uint32_t>(cp->number);
    }
    if (const Json* code = item.Member("code"); code && code->kind == Json::Kind::String)
      e.command = CommandOf(code->string);
    if (const Json* text = item.Member("text"); text && text->kind == Json::Kind::String)
      e.text = text->string;
    // "cursor": [start, end] within the composed text, or null.
    if (const Json* cursor = item.Member("cursor"); cursor && cursor->kind == Json::Kind::Array &&
                                                     !cursor->items.empty() &&
                                                     cursor->items[0].kind == Json::Kind::Number) {
      const double at = cursor->items[0].number;
      if (at >= 0 && at <= 1e6) e.preedit_cursor = static_cast<int>(at);
    }
    if (const Json* lines = item.Member("lines"); lines && lines->kind == Json::Kind::Number)
      e.wheel_lines = std::clamp(lines->number, -1e6, 1e6);
    events.push_back(std::move(e));
  }
  return events;
}

std::vector<std::vector<InputEvent>> InputBatches(const std::vector<InputEvent>& events) {
  std::vector<std::vector<InputEvent>> batches(1);
  for (const InputEvent& e : events) {
    if (e.kind == InputEvent::Kind::Wait) {
      batches.emplace_back();
      continue;
    }
    batches.back().push_back(e);
  }
  return batches;
}

}  // namespace flash
