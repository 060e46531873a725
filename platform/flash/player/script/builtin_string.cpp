// String: the constructor, String.fromCharCode and the methods, indexed by character.
#include <algorithm>
#include <cmath>

#include "platform/flash/player/action_runner.h"

namespace flash {

namespace {

std::u32string Decode(const std::string& s) {
  std::u32string out;
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c >= 0xF0 && c < 0xF5 ? 4 : c >= 0xE0 && c < 0xF0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 1;
    bool ok = i + n <= s.size();
    for (size_t k = 1; ok && k < n; ++k) ok = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
    if (!ok || n == 1) {
      out.push_back(c);
      ++i;
      continue;
    }
    char32_t code = c & (0xFF >> (n + 1));
    for (size_t k = 1; k < n; ++k) code = code << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    out.push_back(code);
    i += n;
  }
  return out;
}

std::string Encode(const std::u32string& s) {
  std::string out;
  for (char32_t code : s) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | code >> 6);
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | code >> 12);
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | code >> 18);
      out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

std::u32string Self(NativeCall& c) {
  ScriptObject* o = c.This();
  if (o && o->kind == ScriptObject::Kind::Boxed) return Decode(c.vm.ToString(o->primitive));
  return Decode(c.vm.ToString(c.self));
}

long IntArg(NativeCall& c, size_t i, long fallback) {
  if (i >= c.Count() || c.Arg(i).IsUndefined()) return fallback;
  double d = c.vm.ToNumber(c.Arg(i));
  if (std::isnan(d)) return 0;
  return static_cast<long>(std::clamp(std::trunc(d), -2e9, 2e9));
}

Value StringCall(NativeCall& c) { return Value::String(c.Count() ? c.vm.ToString(c.Arg(0)) : std::string()); }

Value StringConstruct(NativeCall& c) {
  ScriptObject* o = c.This();
  if (o) {
    o->kind = ScriptObject::Kind::Boxed;
    o->class_name = "String";
    o->primitive = StringCall(c);
  }
  return c.self;
}

Value ToStringMethod(NativeCall& c) {
  ScriptObject* o = c.This();
  if (o && o->kind == ScriptObject::Kind::Boxed) return o->primitive;
  return Value::String(c.vm.ToString(c.self));
}

Value CharAt(NativeCall& c) {
  std::u32string s = Self(c);
  long i = IntArg(c, 0, 0);
  if (i < 0 || i >= static_cast<long>(s.size())) return Value::String("");
  return Value::String(Encode(s.substr(static_cast<size_t>(i), 1)));
}

Value CharCodeAt(NativeCall& c) {
  std::u32string s = Self(c);
  long i = IntArg(c, 0, 0);
  if (i < 0 || i >= static_cast<long>(s.size())) return Value::Number(std::nan(""));
  return Value::Number(s[static_cast<size_t>(i)]);
}

Value Concat(NativeCall& c) {
  std::string s = Encode(Self(c));
  for (const Value& v : c.args) s = c.vm.CheckedConcat(s, c.vm.ToString(v));
  return Value::String(s);
}

Value IndexOf(NativeCall& c) {
  std::u32string s = Self(c), t = Decode(c.vm.ToString(c.Arg(0)));
  long from = std::max(0L, IntArg(c, 1, 0));
  if (from > static_cast<long>(s.size())) return Value::Number(-1);
  size_t at = s.find(t, static_cast<size_t>(from));
  return Value::Number(at == std::u32string::npos ? -1 : static_cast<double>(at));
}

Value LastIndexOf(NativeCall& c) {
  std::u32string s = Self(c), t = Decode(c.vm.ToString(c.Arg(0)));
  long from = IntArg(c, 1, static_cast<long>(s.size()));
  if (from < 0) return Value::Number(-1);
  size_t at = s.rfind(t, static_cast<size_t>(from));
  return Value::Number(at == std::u32string::npos ? -1 : static_cast<double>(at));
}

Value Slice(NativeCall& c) {
  std::u32string s = Self(c);
  long n = static_cast<long>(s.size());
  long a = IntArg(c, 0, 0), b = IntArg(c, 1, n);
  if (a < 0) a = std::max(0L, a + n);
  if (b < 0) b = std::max(0L, b + n);
  a = std::min(a, n);
  b = std::min(b, n);
  if (a >= b) return Value::String("");
  return Value::String(Encode(s.substr(static_cast<size_t>(a), static_cast<size_t>(b - a))));
}

Value Substring(NativeCall& c) {
  std::u32string s = Self(c);
  long n = static_cast<long>(s.size());
  long a = std::clamp(IntArg(c, 0, 0), 0L, n), b = std::clamp(IntArg(c, 1, n), 0L, n);
  if (a > b) std::swap(a, b);
  return Value::String(Encode(s.substr(static_cast<size_t>(a), static_cast<size_t>(b - a))));
}

Value Substr(NativeCall& c) {
  std::u32string s = Self(c);
  long n = static_cast<long>(s.size());
  long a = IntArg(c, 0, 0);
  if (a < 0) a = std::max(0L, a + n);
  a = std::min(a, n);
  long len = IntArg(c, 1, n - a);
  if (len < 0) len = std::max(0L, len + n - a) ;
  len = std::min(len, n - a);
  if (len <= 0) return Value::String("");
  return Value::String(Encode(s.substr(static_cast<size_t>(a), static_cast<size_t>(len))));
}

Value Split(NativeCall& c) {
  std::u32string s = Self(c);
  std::vector<Value> parts;
  if (c.Count() == 0 || c.Arg(0).IsUndefined()) {
    parts.push_back(Value::String(Encode(s)));
    return Value::Object(c.vm.realm().NewArray(std::move(parts)));
  }
  std::u32string sep = Decode(c.vm.ToString(c.Arg(0)));
  long limit = c.Count() > 1 && !c.Arg(1).IsUndefined() ? IntArg(c, 1, -1) : -1;
  if (sep.empty()) {
    for (char32_t ch : s) parts.push_back(Value::String(Encode(std::u32string(1, ch))));
  } else if (!s.empty()) {
    size_t at = 0;
    for (;;) {
      size_t hit = s.find(sep, at);
      parts.push_back(Value::String(Encode(s.substr(at, hit == std::u32string::npos ? std::u32string::npos : hit - at))));
      if (hit == std::u32string::npos) break;
      at = hit + sep.size();
    }
  } else {
    parts.push_back(Value::String(""));
  }
  if (limit >= 0 && static_cast<size_t>(limit) < parts.size()) parts.resize(static_cast<size_t>(limit));
  return Value::Object(c.vm.realm().NewArray(std::move(parts)));
}

Value ToLower(NativeCall& c) {
  std::u32string s = Self(c);
  for (char32_t& ch : s)
    if ((ch >= 'A' && ch <= 'Z') || (ch >= 0xC0 && ch <= 0xDE && ch != 0xD7)) ch += 32;
  return Value::String(Encode(s));
}

Value ToUpper(NativeCall& c) {
  std::u32string s = Self(c);
  for (char32_t& ch : s)
    if ((ch >= 'a' && ch <= 'z') || (ch >= 0xE0 && ch <= 0xFE && ch != 0xF7)) ch -= 32;
  return Value::String(Encode(s));
}

Value FromCharCode(NativeCall& c) {
  std::u32string s;
  for (const Value& v : c.args) {
    uint32_t code = static_cast<uint32_t>(c.vm.ToInt32(v)) & 0xFFFF;
    if (code) s.push_back(code);
  }
  return Value::String(Encode(s));
}

}  // namespace

void InstallString(Realm& realm) {
  realm.string_proto = realm.NewObject();
  FunctionObject* ctor = realm.Class("String", StringCall, StringConstruct, realm.string_proto);
  realm.Method(ctor, "fromCharCode", FromCharCode);
  ScriptObject* p = realm.string_proto;
  realm.Method(p, "toString", ToStringMethod);
  realm.Method(p, "valueOf", ToStringMethod);
  realm.Method(p, "charAt", CharAt);
  realm.Method(p, "charCodeAt", CharCodeAt);
  realm.Method(p, "concat", Concat);
  realm.Method(p, "indexOf", IndexOf);
  realm.Method(p, "lastIndexOf", LastIndexOf);
  realm.Method(p, "slice", Slice);
  realm.Method(p, "substring", Substring);
  realm.Method(p, "substr", Substr);
  realm.Method(p, "split", Split);
  realm.Method(p, "toLowerCase", ToLower);
  realm.Method(p, "toUpperCase", ToUpper);
}

}  // namespace flash
