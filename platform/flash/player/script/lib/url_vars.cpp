#include "platform/flash/player/script/lib/url_vars.h"

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

std::string DecodeLoadedText(std::string_view bytes) {
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
  return ReadUtf8OrLatin1(bytes);
}

}  // namespace flash::scriptlib
