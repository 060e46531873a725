#include "platform/flash/text/style_sheet.h"

namespace flash::text {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

std::optional<std::vector<CssRule>> ParseCss(std::string_view s) {
  std::vector<CssRule> rules;
  const size_t n = s.size();
  size_t i = 0;
  auto skip_blanks = [&] {
    while (i < n && IsBlank(s[i])) ++i;
  };
  for (;;) {
    skip_blanks();
    if (i >= n) return rules;
    // The selectors of the block.
    std::vector<std::string> selectors;
    for (;;) {
      size_t start = i;
      while (i < n && !IsBlank(s[i]) && s[i] != ',' && s[i] != '{') ++i;
      if (i == start) return std::nullopt;
      selectors.emplace_back(s.substr(start, i - start));
      skip_blanks();
      if (i >= n) return std::nullopt;
      if (s[i] == '{') break;
      if (s[i] != ',') return std::nullopt;
      ++i;
      skip_blanks();
    }
    ++i;  // '{'
    std::vector<std::pair<std::string, std::string>> declarations;
    for (;;) {
      skip_blanks();
      if (i >= n) break;  // the text ends the block
      if (s[i] == '}') {
        ++i;
        break;
      }
      size_t start = i;
      while (i < n && !IsBlank(s[i]) && s[i] != ':') ++i;
      skip_blanks();  // blanks end a name only when the colon follows them
      if (i >= n || s[i] != ':') return std::nullopt;
      std::string name(s.substr(start, i - start));
      ++i;  // ':'
      skip_blanks();
      start = i;
      while (i < n && s[i] != ';' && s[i] != '}') ++i;
      if (i >= n) return std::nullopt;
      std::string value(s.substr(start, i - start));
      if (!name.empty()) declarations.emplace_back(std::move(name), std::move(value));
      if (s[i++] == '}') break;
    }
    for (std::string& sel : selectors) rules.push_back({std::move(sel), declarations});
  }
}

std::string CssMemberName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] != '-') {
      out += name[i];
    } else if (i + 1 < name.size()) {
      char c = name[++i];
      out += c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
    }
  }
  return out;
}

}  // namespace flash::text
