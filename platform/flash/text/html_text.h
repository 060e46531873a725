// The HTML subset of text fields: p, br, b, i, u, font (face, size, color, letterSpacing,
// kerning), a (href, target), li, textformat (margins, indents, leading, tab stops) and span.
// Other tags are dropped with their brackets; text between them is kept. The parser takes any
// input: unclosed, unbalanced or absurdly nested tags, broken entities and stray brackets cost
// linear time and bounded memory.
#pragma once

#include <string>
#include <vector>

#include "platform/flash/text/style_sheet.h"
#include "platform/flash/text/text_format.h"

namespace flash::text {

// Parses `html` (UTF-8) into runs of text, starting from `base`. Paragraphs are separated by
// '\r'. Line ends in the markup always break; in a multiline field the end of a p or li, the
// start of an li inside a paragraph, and br break too, while a single-line field ignores them.
// Line ends, br and li breaks take the format of the tags open at them; a p's closing break takes
// its characters from the latest font element that closed empty, else from its text (see
// HtmlBuilder::EndParagraph).
//
// With `styles`, an element takes the style of its tag name, then (a link) that of "a:link",
// then that of its class attribute (".name"). A tag the parser does not know otherwise keeps its
// text in its style when one of them is given. The tag style's display decides the flow: p, li
// and other tags styled "block" end their paragraph, p and li styled "inline" do not, and
// "none" hides the element's text; the built-in inline tags (b, i, u, font, a, span,
// textformat) stay inline whatever the style says, as the class style never sets the flow.
//
// With `condense_white`, text between two tags that is only blanks (spaces, tabs, line ends) is
// dropped; in other text each run of blanks becomes one space.
std::vector<TextRun> ParseHtml(const std::string& html, const TextFormat& base,
                               bool multiline = true, const StyleMap* styles = nullptr,
                               bool condense_white = false);

// The runs as the field's HTML: each paragraph a P (or an LI for bullets) inside a TEXTFORMAT
// when it has margins, indents, leading or tab stops, holding a FONT with the paragraph's font,
// size, colour, letter spacing and kerning, and inside that FONT for what differs, A, B, I and U.
// The break that ends a paragraph writes as an empty piece when its characters differ from the
// text before it.
std::string ToHtml(const std::vector<TextRun>& runs, const TextFormat& base);

}  // namespace flash::text
