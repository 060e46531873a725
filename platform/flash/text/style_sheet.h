// Style sheets of text fields: the CSS text scripts give them, and the styles HTML text takes
// from them by tag name (p, li, a, span or any other tag) and by class (".name").
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/flash/text/text_format.h"

namespace flash::text {

// One block of a style sheet: the declarations of `selector`, names and values as written
// (names with their trailing blanks, values with theirs).
struct CssRule {
  std::string selector;
  std::vector<std::pair<std::string, std::string>> declarations;
};

// Reads style sheet text. Each block is one or more selectors separated by commas (a selector
// holds no blank, a comma or a '{'), then declarations "name: value" separated by ';' up to '}'.
// A name runs to the ':' (blanks only at its end); a value starts after the blanks that follow
// the ':' and runs to ';' or '}'. Text that ends inside a name or a value, a selector without a
// block, an empty selector or a name without a colon make the whole text malformed (nullopt);
// text that ends between declarations closes the block. Quotes and backslashes are plain
// characters. A selector of several blocks appears once per block, in order.
std::optional<std::vector<CssRule>> ParseCss(std::string_view css);

// A declaration's name as a style member: each '-' is dropped and the character after it
// upper-cased ("font-size" -> "fontSize").
std::string CssMemberName(std::string_view name);

// How an element with a style lays out.
enum class Display { kInline, kBlock, kNone };

// A style as HTML applies it: the members of `format` named in `members` (bits of FormatMember)
// replace those of the text, and `display` how the element flows.
struct ElementStyle {
  TextFormat format;
  uint32_t members = 0;
  Display display = Display::kBlock;
  void ApplyTo(TextFormat& f) const { CopyFormatMembers(format, members, f); }
};

// The styles of a sheet by selector ("p", ".note", "a:link").
using StyleMap = std::map<std::string, ElementStyle>;

}  // namespace flash::text
