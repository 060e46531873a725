// The HTML subset of text fields: p, br, b, i, u, font (face, size, color, letterSpacing,
// kerning), a (href, target), li, textformat (margins, indents, leading, tab stops) and span.
// Other tags are dropped with their brackets; text between them is kept. The parser takes any
// input: unclosed, unbalanced or absurdly nested tags, broken entities and stray brackets cost
// linear time and bounded memory.
#pragma once

#include <string>
#include <vector>

#include "platform/flash/text/text_format.h"

namespace flash::text {

// Parses `html` (UTF-8) into runs of text, starting from `base`. Paragraphs are separated by
// '\r' (from p, li, br and line ends in the markup).
std::vector<TextRun> ParseHtml(const std::string& html, const TextFormat& base);

}  // namespace flash::text
