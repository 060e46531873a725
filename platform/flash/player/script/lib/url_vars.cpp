#include "platform/flash/player/script/lib/url_vars.h"

#include <iconv.h>

#include "platform/flash/player/script/lib/string_ops.h"

namespace flash::scriptlib {

namespace {

std::string FormUnescape(std::string_view s, int swfVersion) {
  std::string plus(s);
  for (char& c : plus)
    if (c == '+') c = ' ';
  return Unescape(plus, swfVersion);
}

}  // namespace

std::string EncodeUrlVariables(const UrlVariables& variables) {
  std::string out;
  for (const auto& [name, value] : variables) {
    if (!out.empty()) out += '&';
    out += Escape(name);
    out += '=';
    out += Escape(value);
  }
  return out;
}

UrlVariables DecodeUrlVariables(std::string_view text, int swfVersion) {
  UrlVariables out;
  size_t from = 0;
  while (from <= text.size()) {
    size_t amp = text.find('&', from);
    if (amp == std::string_view::npos) amp = text.size();
    std::string_view pair = text.substr(from, amp - from);
    size_t eq = pair.find('=');
    std::string name = FormUnescape(pair.substr(0, eq), swfVersion);
    std::string value = eq == std::string_view::npos
                            ? std::string()
                            : FormUnescape(pair.substr(eq + 1), swfVersion);
    if (!name.empty()) out.emplace_back(std::move(name), std::move(value));
    from = amp + 1;
  }
  return out;
}

std::optional<std::string> ReadShiftJis(std::string_view bytes) {
  // Lead bytes 0x81-0x9F and 0xE0-0xFC, each followed by a trail byte 0x40-0xFC other than 0x7F.
  bool any = false;
  for (size_t i = 0; i < bytes.size(); ++i) {
    auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) continue;
    if (!((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) || i + 1 >= bytes.size())
      return std::nullopt;
    auto t = static_cast<unsigned char>(bytes[++i]);
    if (t < 0x40 || t > 0xFC || t == 0x7F) return std::nullopt;
    any = true;
  }
  if (!any) return std::nullopt;
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string in(bytes), out(bytes.size() * 2 + 4, '\0');
  char* src = in.data();
  char* dst = out.data();
  size_t src_left = in.size(), dst_left = out.size();
  // Two Shift-JIS bytes give at most three UTF-8 bytes, so the output never runs short.
  size_t done = iconv(cd, &src, &src_left, &dst, &dst_left);
  iconv_close(cd);
  if (done == static_cast<size_t>(-1) || src_left != 0) return std::nullopt;  // unmapped codes
  out.resize(out.size() - dst_left);
  return out;
}

std::string DecodeLoadedText(std::string_view bytes, bool system_codepage) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF)
    bytes.remove_prefix(3);
  if (bytes.size() >= 2 &&
      ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0xFE && byte(1) == 0xFF))) {
    bool little = byte(0) == 0xFF;
    std::u16string units;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      units += static_cast<char16_t>(little ? byte(i) | (byte(i + 1) << 8)
                                            : (byte(i) << 8) | byte(i + 1));
    return FromUnits(units, 6);
  }
  if (system_codepage && !IsUtf8(bytes)) {
    if (std::optional<std::string> japanese = ReadShiftJis(bytes)) return *japanese;
    std::string latin;
    for (char b : bytes) AppendUtf8(latin, static_cast<unsigned char>(b));
    return latin;
  }
  return ReadUtf8OrLatin1(bytes);
}

}  // namespace flash::scriptlib
