#include "platform/flash/text/html_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>

namespace flash::text {
namespace {

// Deeper nesting than this is ignored (its tags are dropped, its text kept).
constexpr size_t kMaxNesting = 256;
// Longest tag or entity looked at; anything longer is read as text.
constexpr size_t kMaxTagLength = 4096;
constexpr size_t kMaxEntityLength = 12;

char32_t Lower(char32_t c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

std::string LowerAscii(const std::u32string& s) {
  std::string out;
  for (char32_t c : s) out += c < 0x80 ? static_cast<char>(Lower(c)) : '?';
  return out;
}

bool IsSpace(char32_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Decodes the entity starting at `s[i]` ('&'); returns the character and sets `len`, or 0 when
// it is not an entity (the '&' is then plain text).
char32_t Entity(const std::u32string& s, size_t i, size_t& len) {
  size_t semi = i + 1;
  while (semi < s.size() && s[semi] != ';' && semi - i <= kMaxEntityLength) ++semi;
  if (semi >= s.size() || s[semi] != ';') return 0;
  std::string name = LowerAscii(s.substr(i + 1, semi - i - 1));
  len = semi - i + 1;
  if (name == "lt") return '<';
  if (name == "gt") return '>';
  if (name == "amp") return '&';
  if (name == "quot") return '"';
  if (name == "apos") return '\'';
  if (name == "nbsp") return 0xA0;
  if (name.size() >= 2 && name[0] == '#') {
    bool hex = name[1] == 'x';
    std::string digits = name.substr(hex ? 2 : 1);
    if (digits.empty() ||
        digits.find_first_not_of(hex ? "0123456789abcdef" : "0123456789") != std::string::npos)
      return 0;
    unsigned long v = std::strtoul(digits.c_str(), nullptr, hex ? 16 : 10);
    if (v == 0 || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
    return static_cast<char32_t>(v);
  }
  return 0;
}

std::u32string DecodeEntities(const std::u32string& s) {
  std::u32string out;
  for (size_t i = 0; i < s.size(); ++i) {
    size_t len = 0;
    char32_t e = s[i] == '&' ? Entity(s, i, len) : 0;
    if (e) {
      out.push_back(e);
      i += len - 1;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

struct Tag {
  bool closing = false;
  std::string name;
  std::vector<std::pair<std::string, std::u32string>> attributes;
  const std::u32string* Attribute(const std::string& n) const {
    for (const auto& [k, v] : attributes)
      if (k == n) return &v;
    return nullptr;
  }
};

// Reads the inside of a tag (between the brackets).
Tag ReadTag(const std::u32string& body) {
  Tag t;
  size_t i = 0, n = body.size();
  while (i < n && IsSpace(body[i])) ++i;
  if (i < n && body[i] == '/') {
    t.closing = true;
    ++i;
  }
  size_t start = i;
  while (i < n && !IsSpace(body[i]) && body[i] != '/') ++i;
  t.name = LowerAscii(body.substr(start, i - start));
  while (i < n) {
    while (i < n && (IsSpace(body[i]) || body[i] == '/')) ++i;
    size_t ks = i;
    while (i < n && !IsSpace(body[i]) && body[i] != '=' && body[i] != '/') ++i;
    std::string key = LowerAscii(body.substr(ks, i - ks));
    while (i < n && IsSpace(body[i])) ++i;
    std::u32string value;
    if (i < n && body[i] == '=') {
      ++i;
      while (i < n && IsSpace(body[i])) ++i;
      if (i < n && (body[i] == '"' || body[i] == '\'')) {
        char32_t q = body[i++];
        size_t vs = i;
        while (i < n && body[i] != q) ++i;
        value = body.substr(vs, i - vs);
        if (i < n) ++i;
      } else {
        size_t vs = i;
        while (i < n && !IsSpace(body[i])) ++i;
        value = body.substr(vs, i - vs);
      }
    }
    if (!key.empty()) t.attributes.emplace_back(key, DecodeEntities(value));
    if (ks == i) ++i;  // a character that starts nothing: step over it
  }
  return t;
}

double Number(const std::u32string& v, double fallback) {
  std::string s = LowerAscii(v);
  char* end = nullptr;
  double d = std::strtod(s.c_str(), &end);
  return end == s.c_str() || !(d == d) ? fallback : d;
}

bool ParseColor(const std::u32string& v, Rgba& out) {
  std::string s = LowerAscii(v);
  if (!s.empty() && s[0] == '#')
    s.erase(0, 1);
  else if (s.size() > 2 && s[0] == '0' && s[1] == 'x')
    s.erase(0, 2);
  if (s.empty() || s.size() > 8 || s.find_first_not_of("0123456789abcdef") != std::string::npos)
    return false;
  unsigned long c = std::strtoul(s.c_str(), nullptr, 16);
  out.r = static_cast<uint8_t>(c >> 16);
  out.g = static_cast<uint8_t>(c >> 8);
  out.b = static_cast<uint8_t>(c);
  return true;
}

TextAlign ParseAlign(const std::u32string& v, TextAlign fallback) {
  std::string s = LowerAscii(v);
  if (s == "left") return TextAlign::Left;
  if (s == "right") return TextAlign::Right;
  if (s == "center") return TextAlign::Center;
  if (s == "justify") return TextAlign::Justify;
  return fallback;
}

// The members a character carries on its own; the others belong to its whole paragraph.
constexpr uint32_t kCharacterMembers =
    1u << kFormatFont | 1u << kFormatSize | 1u << kFormatColor | 1u << kFormatBold |
    1u << kFormatItalic | 1u << kFormatUnderline | 1u << kFormatUrl | 1u << kFormatTarget |
    1u << kFormatLetterSpacing | 1u << kFormatKerning;

class HtmlBuilder {
 public:
  explicit HtmlBuilder(const TextFormat& base) { stack_.push_back({"", base, false, false, 0, 0}); }

  void Text(char32_t c) {
    if (!stack_.back().hidden) Put(c, stack_.back().format);
  }
  void Break() {
    if (!stack_.back().hidden) Put('\r', stack_.back().format);
  }
  // The break that ends a paragraph at its closing tag (the innermost open element is the
  // paragraph's). It keeps the paragraph's own format, but its characters' format is that of
  // the latest font element that closed holding no text, anywhere before; failing one, that of
  // the paragraph's last character, and in an empty paragraph the field's, whatever other tags
  // are open around it.
  void EndParagraph() {
    if (stack_.back().hidden) return;
    TextFormat f = stack_.back().format;
    if (empty_font_)
      CopyFormatMembers(*empty_font_, kCharacterMembers, f);
    else if (!runs_.empty() && !AtParagraphStart())
      CopyFormatMembers(runs_.back().format, kCharacterMembers, f);
    else
      CopyFormatMembers(stack_.front().format, kCharacterMembers, f);
    Put('\r', f);
  }
  // Breaks unless the text is at the start of a paragraph already.
  void StartParagraph() {
    if (!runs_.empty() && !AtParagraphStart()) Break();
  }

  // Opens an element; `block` ends its paragraph when it closes, `hidden` drops its text.
  TextFormat& Push(const std::string& name, bool block = false, bool hidden = false) {
    if (stack_.size() >= kMaxNesting) {
      overflow_ = stack_.back().format;
      return overflow_;
    }
    hidden = hidden || stack_.back().hidden;
    stack_.push_back({name, stack_.back().format, block, hidden, paragraphs_ended_, put_});
    return stack_.back().format;
  }
  // Closes the open element of that name that a closing tag closes (and whatever was opened
  // inside it); a block element's break, in a multiline field, takes the element's format.
  void Pop(const std::string& name, bool multiline) {
    const size_t i = Closed(name);
    if (i == 0) return;
    stack_.resize(i + 1);
    if (multiline && stack_[i].block) Break();
    if (name == "font" && !stack_[i].hidden && stack_[i].put == put_)
      empty_font_ = stack_[i].format;
    stack_.resize(i);
  }
  // Closes a paragraph: it ends unless a paragraph inside it has ended already.
  void CloseParagraph(bool multiline) {
    const size_t i = Closed("p");
    if (i == 0) return;
    if (multiline && stack_[i].block && stack_[i].paragraphs_ended == paragraphs_ended_) {
      stack_.resize(i + 1);
      EndParagraph();
      ++paragraphs_ended_;
    }
    stack_.resize(i);
  }
  bool Innermost(const std::string& name) const {
    return stack_.size() > 1 && stack_.back().name == name;
  }
  std::vector<TextRun> Take() { return std::move(runs_); }

 private:
  struct Open {
    std::string name;
    TextFormat format;
    bool block, hidden;
    size_t paragraphs_ended;  // the count of paragraphs ended by closing tags when it opened
    size_t put;               // the count of characters put when it opened
  };
  // The index in the stack of the element a closing tag of that name closes, 0 for none: the
  // innermost of that name, but for paragraphs the outermost within the innermost list item (a
  // paragraph inside a paragraph ends with it).
  size_t Closed(const std::string& name) const {
    if (name == "p") {
      size_t found = 0;
      for (size_t i = stack_.size(); i-- > 1 && stack_[i].name != "li";)
        if (stack_[i].name == name) found = i;
      return found;
    }
    for (size_t i = stack_.size(); i-- > 1;)
      if (stack_[i].name == name) return i;
    return 0;
  }
  bool AtParagraphStart() const {
    return runs_.back().text.empty() || runs_.back().text.back() == '\r';
  }
  void Put(char32_t c, const TextFormat& f) {
    if (runs_.empty() || !(runs_.back().format == f)) runs_.push_back({{}, f});
    runs_.back().text.push_back(c);
    ++put_;
  }

  std::vector<Open> stack_;
  size_t paragraphs_ended_ = 0;
  size_t put_ = 0;
  std::optional<TextFormat> empty_font_;  // the latest font element closed without text
  TextFormat overflow_;
  std::vector<TextRun> runs_;
};

const ElementStyle* Find(const StyleMap* styles, const std::string& name) {
  if (!styles) return nullptr;
  auto it = styles->find(name);
  return it == styles->end() ? nullptr : &it->second;
}

// The tags that are inline whatever a style says.
bool AlwaysInline(const std::string& n) {
  return n == "b" || n == "i" || n == "u" || n == "font" || n == "a" || n == "span" ||
         n == "textformat";
}

void OpenTag(HtmlBuilder& b, const Tag& t, bool multiline, const StyleMap* styles) {
  const std::string& n = t.name;
  if (n == "br") {
    if (multiline) b.Break();
    return;
  }
  const ElementStyle* tag_style = Find(styles, n);
  const ElementStyle* link_style = n == "a" && t.Attribute("href") ? Find(styles, "a:link") : nullptr;
  const ElementStyle* class_style = nullptr;
  if (const auto* a = t.Attribute("class")) class_style = Find(styles, "." + Utf32ToUtf8(*a));
  const bool known = n == "p" || n == "li" || AlwaysInline(n);
  if (!known && !tag_style && !class_style) return;  // an unknown tag: its text only
  Display display = n == "p" || n == "li" ? Display::kBlock : Display::kInline;
  if (tag_style && (!AlwaysInline(n) || tag_style->display == Display::kNone))
    display = tag_style->display;
  const bool block = display == Display::kBlock;
  if (n == "li" && block && multiline) b.StartParagraph();
  TextFormat& f = b.Push(n, block, display == Display::kNone);
  if (n == "p" || n == "li") {
    if (n == "li") f.bullet = true;
    if (const auto* a = t.Attribute("align")) f.align = ParseAlign(*a, f.align);
  } else if (n == "b") {
    f.bold = true;
  } else if (n == "i") {
    f.italic = true;
  } else if (n == "u") {
    f.underline = true;
  } else if (n == "font") {
    if (const auto* a = t.Attribute("face")) f.font = Utf32ToUtf8(*a);
    // A size is a whole number of pixels from 1 to 127, or a change of the size around it
    // when signed; what is no number changes nothing.
    if (const auto* a = t.Attribute("size")) {
      const double v = Number(*a, std::nan(""));
      if (v == v) {
        const bool relative = (*a)[0] == '+' || (*a)[0] == '-';
        f.size = std::clamp(relative ? f.size + std::trunc(v) : std::trunc(v), 1.0, 127.0);
      }
    }
    if (const auto* a = t.Attribute("color")) ParseColor(*a, f.color);
    if (const auto* a = t.Attribute("letterspacing"))
      f.letter_spacing = std::clamp(Number(*a, 0), -1000.0, 1000.0);
    if (const auto* a = t.Attribute("kerning")) f.kerning = Number(*a, 0) != 0;
  } else if (n == "a") {
    if (const auto* a = t.Attribute("href")) f.url = Utf32ToUtf8(*a);
    if (const auto* a = t.Attribute("target")) f.target = Utf32ToUtf8(*a);
  } else if (n == "textformat") {
    auto num = [&](const char* key, double& field) {
      if (const auto* a = t.Attribute(key))
        field = std::clamp(Number(*a, field), -10000.0, 10000.0);
    };
    num("leftmargin", f.left_margin);
    num("rightmargin", f.right_margin);
    num("indent", f.indent);
    num("blockindent", f.block_indent);
    num("leading", f.leading);
    if (const auto* a = t.Attribute("tabstops")) {
      f.tab_stops.clear();
      std::string s = LowerAscii(*a);
      for (size_t i = 0; i < s.size() && f.tab_stops.size() < 64;) {
        size_t j = s.find(',', i);
        if (j == std::string::npos) j = s.size();
        char* end = nullptr;
        std::string part = s.substr(i, j - i);
        double v = std::strtod(part.c_str(), &end);
        if (end != part.c_str()) f.tab_stops.push_back(v);
        i = j + 1;
      }
    }
  }
  for (const ElementStyle* st : {tag_style, link_style, class_style})
    if (st) st->ApplyTo(f);
}

void CloseTag(HtmlBuilder& b, const Tag& t, bool multiline) {
  if (t.name == "p") return b.CloseParagraph(multiline);
  // Bold, italic and underline end only when they are the innermost open element: a closing
  // tag that crosses another element is passed by.
  if ((t.name == "b" || t.name == "i" || t.name == "u") && !b.Innermost(t.name)) return;
  b.Pop(t.name, multiline);
}

// Text between two tags with its white space condensed (see ParseHtml).
std::u32string CondenseWhite(const std::u32string& text) {
  if (std::all_of(text.begin(), text.end(), IsSpace)) return {};
  std::u32string out;
  for (char32_t c : text) {
    if (!IsSpace(c))
      out += c;
    else if (out.empty() || out.back() != ' ')
      out += ' ';
  }
  return out;
}

}  // namespace

namespace {

// Puts text that stands between two tags: entities decoded, line ends breaking.
void PutText(HtmlBuilder& b, const std::u32string& s) {
  for (size_t i = 0, n = s.size(); i < n; ++i) {
    char32_t c = s[i];
    size_t len = 0;
    if (c == '&') {
      if (char32_t e = Entity(s, i, len)) {
        b.Text(e);
        i += len - 1;
        continue;
      }
    }
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < n && s[i + 1] == '\n') ++i;
      b.Break();
      continue;
    }
    b.Text(c);
  }
}

}  // namespace

std::vector<TextRun> ParseHtml(const std::string& html, const TextFormat& base, bool multiline,
                               const StyleMap* styles, bool condense_white) {
  std::u32string s = Utf8ToUtf32(html);
  HtmlBuilder b(base);
  std::u32string text;  // the text since the last tag
  auto flush = [&] {
    PutText(b, condense_white ? CondenseWhite(text) : text);
    text.clear();
  };
  size_t i = 0, n = s.size();
  size_t close = 0;  // the next '>' at or after the current position (npos when none is left)
  while (i < n) {
    char32_t c = s[i];
    if (c == '<') {
      if (close != std::u32string::npos && close <= i) close = s.find(U'>', i + 1);
      if (close != std::u32string::npos && close - i <= kMaxTagLength) {
        std::u32string body = s.substr(i + 1, close - i - 1);
        i = close + 1;
        flush();
        if (!body.empty() && (body[0] == '!' || body[0] == '?'))
          continue;  // comments, declarations
        Tag t = ReadTag(body);
        if (t.name.empty()) continue;
        bool self_closing = !body.empty() && body.back() == '/';
        if (t.closing) {
          CloseTag(b, t, multiline);
        } else {
          OpenTag(b, t, multiline, styles);
          if (self_closing && t.name != "br") CloseTag(b, t, multiline);
        }
        continue;
      }
      // A bracket that opens no tag: the rest of the markup is read as text.
    }
    text.push_back(c);
    ++i;
  }
  flush();
  return b.Take();
}

namespace {

// A number as the HTML shows it: whole numbers without a fraction.
std::string HtmlNumber(double v) {
  if (v == std::floor(v) && std::abs(v) < 1e15) return std::to_string(static_cast<long long>(v));
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  return buf;
}

std::string HtmlColor(Rgba c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c.r, c.g, c.b);
  return buf;
}

std::string Escape(const std::u32string& s) {
  std::string out;
  for (char32_t c : s) {
    if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else if (c == '&')
      out += "&amp;";
    else if (c == '"')
      out += "&quot;";
    else
      out += Utf32ToUtf8(std::u32string(1, c));
  }
  return out;
}

std::string Attr(const char* name, const std::string& value) {
  return std::string(" ") + name + "=\"" + value + "\"";
}

// The FONT attributes of `f`, only those that differ from `outer` when it is given.
std::string FontAttributes(const TextFormat& f, const TextFormat* outer) {
  std::string a;
  if (!outer || f.font != outer->font) a += Attr("FACE", f.font);
  if (!outer || f.size != outer->size) a += Attr("SIZE", HtmlNumber(f.size));
  if (!outer || !(f.color == outer->color)) a += Attr("COLOR", HtmlColor(f.color));
  if (!outer || f.letter_spacing != outer->letter_spacing)
    a += Attr("LETTERSPACING", HtmlNumber(f.letter_spacing));
  if (!outer || f.kerning != outer->kerning) a += Attr("KERNING", f.kerning ? "1" : "0");
  return a;
}

std::string TextFormatAttributes(const TextFormat& f) {
  std::string a;
  if (f.left_margin != 0) a += Attr("LEFTMARGIN", HtmlNumber(f.left_margin));
  if (f.right_margin != 0) a += Attr("RIGHTMARGIN", HtmlNumber(f.right_margin));
  if (f.indent != 0) a += Attr("INDENT", HtmlNumber(f.indent));
  if (f.block_indent != 0) a += Attr("BLOCKINDENT", HtmlNumber(f.block_indent));
  if (f.leading != 0) a += Attr("LEADING", HtmlNumber(f.leading));
  if (!f.tab_stops.empty()) {
    std::string stops;
    for (double t : f.tab_stops) stops += (stops.empty() ? "" : ",") + HtmlNumber(t);
    a += Attr("TABSTOPS", stops);
  }
  return a;
}

const char* AlignName(TextAlign a) {
  switch (a) {
    case TextAlign::Right: return "RIGHT";
    case TextAlign::Center: return "CENTER";
    case TextAlign::Justify: return "JUSTIFY";
    default: return "LEFT";
  }
}

// One piece of a paragraph: text in one format.
struct Piece {
  std::u32string text;
  const TextFormat* format;
};

// The text of a piece inside its FONT tags: links, bold, italic and underline of its own.
std::string Inner(const Piece& p) {
  std::string inner = Escape(p.text);
  const TextFormat& f = *p.format;
  if (f.underline) inner = "<U>" + inner + "</U>";
  if (f.italic) inner = "<I>" + inner + "</I>";
  if (f.bold) inner = "<B>" + inner + "</B>";
  if (!f.url.empty())
    inner = "<A" + Attr("HREF", f.url) + Attr("TARGET", f.target) + ">" + inner + "</A>";
  return inner;
}

bool SameFont(const TextFormat& a, const TextFormat& b) {
  return a.font == b.font && a.size == b.size && a.color == b.color &&
         a.letter_spacing == b.letter_spacing && a.kerning == b.kerning;
}

// Whether text in the two formats writes alike inside a paragraph.
bool SameCharacters(const TextFormat& a, const TextFormat& b) {
  return SameFont(a, b) && a.bold == b.bold && a.italic == b.italic &&
         a.underline == b.underline && a.url == b.url && a.target == b.target;
}

// The pieces of a paragraph with FONT tags kept open from one piece to the next: a piece whose
// font matches one of the open tags closes those inside it; any other opens a tag inside the
// innermost one with the attributes that differ from it.
std::string Pieces(const std::vector<Piece>& pieces, const TextFormat& para) {
  std::vector<const TextFormat*> open = {&para};
  std::string out;
  for (const Piece& p : pieces) {
    size_t keep = open.size();
    while (keep > 0 && !SameFont(*open[keep - 1], *p.format)) --keep;
    if (keep > 0) {
      for (; open.size() > keep; open.pop_back()) out += "</FONT>";
    } else {
      out += "<FONT" + FontAttributes(*p.format, open.back()) + ">";
      open.push_back(p.format);
    }
    out += Inner(p);
  }
  for (; open.size() > 1; open.pop_back()) out += "</FONT>";
  return out;
}

}  // namespace

std::string ToHtml(const std::vector<TextRun>& runs, const TextFormat& base) {
  // A field without text has no paragraph.
  if (std::all_of(runs.begin(), runs.end(), [](const TextRun& r) { return r.text.empty(); }))
    return {};
  // Split into paragraphs of pieces; a paragraph takes the format of its first character, an
  // empty one that of the break that ends it. Nothing after a final break forms no paragraph.
  struct Paragraph {
    std::vector<Piece> pieces;
    const TextFormat* format = nullptr;
  };
  std::vector<Paragraph> paragraphs(1);
  for (const TextRun& r : runs) {
    for (char32_t c : r.text) {
      Paragraph& p = paragraphs.back();
      if (c == '\r') {
        if (!p.format) p.format = &r.format;
        // A break in other characters than the text before it writes as an empty piece.
        if (!p.pieces.empty() && !SameCharacters(*p.pieces.back().format, r.format))
          p.pieces.push_back({{}, &r.format});
        paragraphs.emplace_back();
        continue;
      }
      if (!p.format) p.format = &r.format;
      // Runs that differ only in what belongs to the whole paragraph write as one piece.
      if (p.pieces.empty() || !SameCharacters(*p.pieces.back().format, r.format))
        p.pieces.push_back({{}, &r.format});
      p.pieces.back().text.push_back(c);
    }
  }
  if (paragraphs.size() > 1 && paragraphs.back().pieces.empty()) paragraphs.pop_back();
  std::string out;
  for (const Paragraph& p : paragraphs) {
    const TextFormat& f = p.format ? *p.format : base;
    std::string body;
    if (p.pieces.empty()) {
      body = Inner({U"", &f});
    } else {
      body = Pieces(p.pieces, f);
    }
    std::string para = f.bullet
                           ? "<LI><FONT" + FontAttributes(f, nullptr) + ">" + body + "</FONT></LI>"
                           : "<P ALIGN=\"" + std::string(AlignName(f.align)) + "\"><FONT" +
                                 FontAttributes(f, nullptr) + ">" + body + "</FONT></P>";
    std::string tf = TextFormatAttributes(f);
    out += tf.empty() ? para : "<TEXTFORMAT" + tf + ">" + para + "</TEXTFORMAT>";
  }
  return out;
}

}  // namespace flash::text
