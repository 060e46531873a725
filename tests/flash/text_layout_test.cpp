// Text layout and the HTML subset: line breaks, alignment, margins, auto size and scrolling
// with an embedded font of known metrics and with device fonts; hostile markup.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "platform/flash/format/font.h"
#include "platform/flash/format/movie.h"
#include "platform/flash/text/font_face.h"
#include "platform/flash/text/html_text.h"
#include "platform/flash/text/text_field.h"
#include "platform/flash/text/text_layout.h"

namespace {

using namespace flash;
using namespace flash::text;

// An embedded version-2 font (1024 units to the EM) whose characters all advance `advance`.
std::shared_ptr<FontDef> UniformFont(uint16_t id, const char* name, int ascent, int descent,
                                     const std::string& chars, int advance) {
  auto f = std::make_shared<FontDef>(id);
  f->version = 2;
  f->name = name;
  f->has_layout = true;
  f->ascent = ascent;
  f->descent = descent;
  for (char c : chars) {
    FontGlyph g;
    g.code = static_cast<uint16_t>(c);
    g.advance = advance;
    f->glyphs.push_back(g);
  }
  f->IndexCodes();
  return f;
}

// Every glyph of "a".."z" and " " advances half the EM, with ascent 0.75 EM and descent 0.25 EM:
// at size 20 every character is 10 pixels wide, a line 20 high.
std::shared_ptr<FontDef> HalfEmFont() {
  return UniformFont(1, "Half", 768, 256, " abcdefghijklmnopqrstuvwxyz", 512);
}

struct Fixture {
  std::shared_ptr<FontDef> font = HalfEmFont();
  EmbeddedFace face{font};
  TextFormat format;
  LayoutOptions options;
  Fixture() {
    format.font = "Half";
    format.size = 20;
    options.box = {0, 0, 104, 100};  // 100 pixels inside the gutters: ten characters a line
  }
  TextLayout Lay(const std::string& text) {
    std::vector<TextRun> runs{{Utf8ToUtf32(text), format}};
    return LayoutText(runs, options, [this](const TextFormat&) { return &face; });
  }
};

TEST(TextLayout, WordWrapBreaksAfterSpacesAndSplitsLongWords) {
  Fixture f;
  f.options.word_wrap = true;
  TextLayout l = f.Lay("abc defgh ijk");
  ASSERT_EQ(l.lines.size(), 2u);
  EXPECT_EQ(l.lines[0].first_char, 0u);
  EXPECT_EQ(l.lines[0].end_char, 10u);     // "abc defgh " keeps its trailing space
  EXPECT_DOUBLE_EQ(l.lines[0].width, 90);  // but the space does not count
  EXPECT_DOUBLE_EQ(l.lines[1].top, kGutter + 20);
  EXPECT_DOUBLE_EQ(l.text_height, 40);
  // A word wider than the line breaks inside it; every line gets at least one character.
  l = f.Lay("abcdefghijklmnopqrstuvwxyz");
  ASSERT_EQ(l.lines.size(), 3u);
  EXPECT_EQ(l.lines[0].end_char, 10u);
  f.options.box.width = 1;
  l = f.Lay("abc");
  EXPECT_EQ(l.lines.size(), 3u);
  // Without word wrap a long line stays one line; paragraphs still break.
  f.options.word_wrap = false;
  f.options.box.width = 104;
  l = f.Lay("abcdefghijklmnop\rq\n\rr");
  ASSERT_EQ(l.lines.size(), 4u);
  EXPECT_DOUBLE_EQ(l.text_width, 160);
  EXPECT_EQ(l.lines[2].first_char, l.lines[2].end_char);  // the empty paragraph keeps its line
}

TEST(TextLayout, AlignmentMarginsIndentAndLeading) {
  Fixture f;
  f.format.left_margin = 5;
  f.format.right_margin = 15;
  f.format.leading = 3;
  f.format.indent = 7;
  f.options.word_wrap = true;
  TextLayout l = f.Lay("ab\rcd");
  EXPECT_DOUBLE_EQ(l.glyphs[0].x, kGutter + 5 + 7);
  EXPECT_DOUBLE_EQ(l.glyphs[0].y, kGutter + 15);  // the baseline, one ascent down
  EXPECT_DOUBLE_EQ(l.lines[1].top, kGutter + 23);
  f.format.indent = 0;
  f.format.align = TextAlign::Right;
  l = f.Lay("ab");
  EXPECT_DOUBLE_EQ(l.glyphs[1].x + 10, 104 - kGutter - 15);
  f.format.align = TextAlign::Center;
  l = f.Lay("ab");
  EXPECT_DOUBLE_EQ(l.glyphs[0].x, kGutter + 5 + (80 - 20) / 2.0);
  f.format.left_margin = f.format.right_margin = 0;
  f.format.align = TextAlign::Justify;
  l = f.Lay("ab cd efgh ij");  // first line "ab cd efgh" is stretched to the full width
  ASSERT_EQ(l.lines.size(), 2u);
  auto glyph_of = [&](size_t char_index) {
    for (const auto& g : l.glyphs)
      if (g.char_index == char_index) return g.x;
    return -1.0;
  };
  EXPECT_DOUBLE_EQ(glyph_of(9) + 10, 104 - kGutter);
  EXPECT_DOUBLE_EQ(glyph_of(11), kGutter);  // the last line is not stretched
}

TEST(TextLayout, AutoSizeGrowsFromTheNamedSide) {
  Fixture f;
  f.options.box = {10, 10, 104, 50};
  f.options.auto_size = AutoSize::Left;
  TextLayout l = f.Lay("abc\rd");
  EXPECT_DOUBLE_EQ(l.box.x, 10);
  EXPECT_DOUBLE_EQ(l.box.width, 34);
  EXPECT_DOUBLE_EQ(l.box.height, 44);
  f.options.auto_size = AutoSize::Right;
  EXPECT_DOUBLE_EQ(f.Lay("abc").box.x, 10 + 104 - 34);
  f.options.auto_size = AutoSize::Center;
  l = f.Lay("abc");
  EXPECT_DOUBLE_EQ(l.box.x, 10 + 35);
  EXPECT_DOUBLE_EQ(l.glyphs[0].x, 10 + 35 + kGutter);
  // With word wrap only the height follows the text.
  f.options.word_wrap = true;
  l = f.Lay("abcdefghijklmnop");
  EXPECT_DOUBLE_EQ(l.box.width, 104);
  EXPECT_DOUBLE_EQ(l.box.height, 44);
}

TEST(TextLayout, PasswordKerningLetterSpacingAndMissingGlyphs) {
  Fixture f;
  f.font->kerning[{'a', 'b'}] = -256;
  f.format.kerning = true;
  TextLayout l = f.Lay("ab");
  EXPECT_DOUBLE_EQ(l.glyphs[1].x - l.glyphs[0].x, 5);
  f.format.kerning = false;
  f.format.letter_spacing = 2;
  l = f.Lay("ab");
  EXPECT_DOUBLE_EQ(l.glyphs[1].x - l.glyphs[0].x, 12);
  // Characters the font lacks take no room and draw nothing.
  f.format.letter_spacing = 0;
  l = f.Lay("a?b");
  ASSERT_EQ(l.glyphs.size(), 2u);
  EXPECT_DOUBLE_EQ(l.glyphs[1].x - l.glyphs[0].x, 10);
  // Password fields show asterisks: this font has none, so nothing is drawn.
  f.options.password = true;
  EXPECT_TRUE(f.Lay("abc").glyphs.empty());
}

// Text whose format has no face (a field embedding a font the movie lacks) draws nothing and
// takes no room: its lines have no height, so an auto-sized box shrinks to its gutters.
TEST(TextLayout, TextWithoutAFaceTakesNoRoom) {
  Fixture f;
  f.options.auto_size = AutoSize::Left;
  std::vector<TextRun> runs{{U"abc\rdef", f.format}};
  TextLayout l = LayoutText(runs, f.options, [](const TextFormat&) { return nullptr; });
  EXPECT_TRUE(l.glyphs.empty());
  ASSERT_EQ(l.lines.size(), 2u);
  EXPECT_DOUBLE_EQ(l.lines[1].top, kGutter);
  EXPECT_DOUBLE_EQ(l.text_height, 0);
  EXPECT_DOUBLE_EQ(l.box.width, 2 * kGutter);
  EXPECT_DOUBLE_EQ(l.box.height, 2 * kGutter);
}

TEST(TextLayout, DeviceFontsResolveAndMeasure) {
  const Face* sans = DeviceFace("_sans", false, false);
  if (!sans) GTEST_SKIP() << "no device font files installed";
  EXPECT_EQ(DeviceFace("Arial", false, false), sans);
  EXPECT_EQ(DeviceFace("No Such Font", false, false), sans);
  EXPECT_EQ(DeviceFace(" , ,", false, false), sans);
  // Every name, whatever family it stands for, is drawn with the one default typeface: a
  // proportional sans face of 1000 units to the EM.
  EXPECT_EQ(DeviceFace("No Such Font, Courier New", false, false), sans);
  EXPECT_EQ(DeviceFace("_typewriter", false, false), sans);
  EXPECT_EQ(DeviceFace("Times New Roman", false, false), sans);
  EXPECT_EQ(sans->EmSquare(), 1000);
  EXPECT_NE(DeviceFace("_sans", true, false), sans);
  EXPECT_EQ(DeviceFace("_serif", true, false), DeviceFace("Arial", true, false));
  EXPECT_NE(DeviceFace("_sans", true, false), DeviceFace("_sans", true, true));
  EXPECT_GT(sans->Advance(sans->GlyphOf('W')), sans->Advance(sans->GlyphOf('i')));
  const ShapeDef* o = sans->Outline(sans->GlyphOf('o'));
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(o->groups[0].paths.size(), 2u);  // outer and inner contour
  EXPECT_LT(o->bounds.ymin, 0);              // above the baseline: y grows downwards
  EXPECT_EQ(sans->Outline(sans->GlyphOf(' ')), nullptr);

  // A field of device text in the default 12-pixel device face: lines lie a line height apart.
  EditTextDef def;
  def.bounds = {0, 2000, 0, 2000};
  def.multiline = def.word_wrap = true;
  def.has_text = true;
  def.initial_text = "Hello world\rsecond";
  TextField field(def, nullptr);
  const TextLayout& l = field.Layout();
  ASSERT_EQ(l.lines.size(), 2u);
  const Face* serif = DeviceFace("Times New Roman", false, false);
  // Ascent and descent at the size are cut to whole twips.
  auto twips_down = [](double px) { return std::floor(px * 20) / 20; };
  EXPECT_DOUBLE_EQ(l.lines[1].top - l.lines[0].top,
                   twips_down(serif->Ascent() * 12 / serif->EmSquare()) +
                       twips_down(serif->Descent() * 12 / serif->EmSquare()));
  EXPECT_GT(l.lines[1].top - l.lines[0].top, 12);
  EXPECT_GT(l.text_width, 40);
  EXPECT_LT(l.text_width, 80);
  EXPECT_EQ(field.Text(), "Hello world\rsecond");
}

TEST(TextLayout, ScrollLimitsFollowTheLines) {
  Fixture f;
  EditTextDef def;
  def.bounds = {0, 2080, 0, 1080};  // 104 by 54 pixels: two 20-pixel lines fit
  def.multiline = true;
  TextField field(def, nullptr);
  field.embed_fonts = false;
  field.SetText("a");
  EXPECT_EQ(field.MaxScroll(), 1);
  EXPECT_FALSE(field.Overflows());
  // 16-pixel lines are about 22 pixels apart: two fit into the 50 pixels inside the gutters.
  field.default_format.size = 16;
  field.SetText("a\rb\rc\rd\re");
  ASSERT_EQ(field.Layout().lines.size(), 5u);
  EXPECT_TRUE(field.Overflows());
  EXPECT_EQ(field.BottomScroll(), 2);
  EXPECT_EQ(field.MaxScroll(), 4);
  field.scroll = field.MaxScroll();
  EXPECT_EQ(field.BottomScroll(), 5);
}

TEST(TextLayout, HugeTextLaysOutAndLeavesFarGlyphsUndrawn) {
  if (!DeviceFace("_serif", false, false)) GTEST_SKIP() << "no device font files installed";
  EditTextDef def;
  def.bounds = {0, 2000, 0, 2000};
  TextField field(def, nullptr);
  field.SetText(std::string(300000, 'o'));
  const TextLayout& l = field.Layout();
  ASSERT_EQ(l.glyphs.size(), 300000u);
  EXPECT_GT(l.glyphs.back().x, 1e6);
  // Run coordinates are 32-bit: glyphs beyond reach of any view are left out of the runs.
  size_t drawn = 0;
  for (const ShapeDef& run : field.GlyphRuns()) drawn += run.groups.front().paths.size();
  EXPECT_GT(drawn, 1000u);
  EXPECT_LT(drawn, 2 * 300000u);
  for (const ShapeDef& run : field.GlyphRuns()) EXPECT_GE(run.bounds.xmax, run.bounds.xmin);
}

// A point picks the caret position before the character whose middle is right of it, on the line
// at its height; past a line's end the caret stays before that line's break.
TEST(TextLayout, PointsPickCaretPositions) {
  auto movie = std::make_shared<MovieDef>();
  movie->dictionary[1] = HalfEmFont();
  EditTextDef def;
  def.bounds = {0, 2000, 0, 2000};
  def.has_font = def.use_outlines = true;
  def.multiline = true;
  def.font_id = 1;
  def.font_height = 400;
  TextField field(def, movie);
  field.SetText("abc\ndef");
  // "a" spans x 2..12 and "b" 12..22 on the first line, 20 pixels high.
  EXPECT_EQ(field.CharIndexAt(16, 5), 1u);
  EXPECT_EQ(field.CharIndexAt(18, 5), 2u);
  EXPECT_EQ(field.CharIndexAt(-50, -50), 0u);
  EXPECT_EQ(field.CharIndexAt(90, 5), 3u);
  EXPECT_EQ(field.CharIndexAt(-5, 30), 4u);
  EXPECT_EQ(field.CharIndexAt(500, 500), 7u);
  field.SetText("");
  EXPECT_EQ(field.CharIndexAt(10, 10), 0u);
}

// A device font the system lacks is drawn with the movie's font of that name; known names and
// fonts without advances keep the device faces.
TEST(TextLayout, MissingDeviceFontsUseTheMoviesFontOfThatName) {
  auto movie = std::make_shared<MovieDef>();
  movie->dictionary[1] = HalfEmFont();
  EditTextDef def;
  def.bounds = {0, 2000, 0, 2000};
  def.has_font = true;
  def.font_id = 1;
  def.font_height = 400;
  TextField field(def, movie);
  ASSERT_FALSE(field.embed_fonts);
  const Face* half = field.FaceFor(field.default_format);
  ASSERT_NE(half, nullptr);
  EXPECT_NE(dynamic_cast<const EmbeddedFace*>(half), nullptr);
  TextFormat arial = field.default_format;
  arial.font = "Arial";
  EXPECT_EQ(dynamic_cast<const EmbeddedFace*>(field.FaceFor(arial)), nullptr);
  auto no_layout = HalfEmFont();
  no_layout->has_layout = false;
  movie->dictionary[1] = no_layout;
  TextField plain(def, movie);
  EXPECT_EQ(dynamic_cast<const EmbeddedFace*>(plain.FaceFor(plain.default_format)), nullptr);
}

TEST(TextLayout, FieldsEditTextAndFormatsByCharacter) {
  auto movie = std::make_shared<MovieDef>();
  movie->dictionary[1] = HalfEmFont();
  EditTextDef def;
  def.bounds = {0, 2000, 0, 2000};
  def.has_font = def.use_outlines = true;
  def.font_id = 1;
  def.font_height = 400;
  TextField field(def, movie);
  EXPECT_EQ(field.default_format.font, "Half");
  field.SetText("abc\ndef");
  EXPECT_EQ(field.Text(), "abc\rdef");
  EXPECT_EQ(field.Length(), 7u);
  // Bold on "bc\rd"; the replaced text takes the format of the first character it replaces.
  field.ChangeFormat(1, 5, [](TextFormat& f) { f.bold = true; });
  EXPECT_FALSE(field.FormatAt(0).bold);
  EXPECT_TRUE(field.FormatAt(4).bold);
  EXPECT_FALSE(field.FormatAt(5).bold);
  EXPECT_EQ(field.Runs().size(), 3u);
  field.ReplaceText(2, 4, "XY\nZ");
  EXPECT_EQ(field.Text(), "abXY\rZdef");
  EXPECT_TRUE(field.FormatAt(2).bold && field.FormatAt(6).bold);
  // Out-of-range positions are clamped; an insertion at the end takes the last format.
  field.ReplaceText(100, 200, "!");
  EXPECT_EQ(field.Text(), "abXY\rZdef!");
  EXPECT_FALSE(field.FormatAt(10).bold);
  field.ReplaceText(5, 2, "");  // an end before the beginning removes nothing
  EXPECT_EQ(field.Length(), 10u);
  field.ChangeFormat(0, 1000, [](TextFormat& f) { f.bold = false; });
  EXPECT_EQ(field.Runs().size(), 1u);
  EXPECT_EQ(field.HtmlText().find("<B>"), std::string::npos);
  // Extents measure with the field's fonts: 20 pixels of the half-EM font make 10-pixel letters.
  TextExtent e = field.Extent("abc\rab", field.default_format);
  EXPECT_DOUBLE_EQ(e.width, 30);
  EXPECT_DOUBLE_EQ(e.height, 40);
  EXPECT_DOUBLE_EQ(e.ascent, 15);
  EXPECT_DOUBLE_EQ(e.descent, 5);
  // Changing the text lays the field out again.
  field.SetText("abcd");
  EXPECT_DOUBLE_EQ(field.Layout().text_width, 40);
}

std::string Plain(const std::vector<TextRun>& runs) {
  std::u32string s;
  for (const auto& r : runs) s += r.text;
  return Utf32ToUtf8(s);
}

// The colour of a format as six hex digits.
std::string HtmlColorOf(const TextFormat& f) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02x%02x%02x", f.color.r, f.color.g, f.color.b);
  return buf;
}

TEST(TextHtml, TagsSetFormatsAndParagraphs) {
  TextFormat base;
  auto runs = ParseHtml(
      "<p align='center'>A <b>bold</b> <font face=\"Arial\" size=\"+4\" "
      "color=\"#FF8000\">big</font></p>"
      "<p><i>x</i><u>y</u><br/>z &amp; &lt;&#65;&#x42;&gt;</p><li>item</li>"
      "<textformat leftmargin='5' indent=\"3\" leading=2 tabstops='10,20'>t</textformat><a "
      "href='u' target='_blank'>l</a>",
      base);
  EXPECT_EQ(Plain(runs), "A bold big\rxy\rz & <AB>\ritem\rtl");
  auto find = [&](const std::string& text) -> const TextFormat& {
    for (const auto& r : runs) {
      std::string t = Utf32ToUtf8(r.text);
      if (!t.empty() && t.back() == '\r') t.pop_back();  // a paragraph's break is its own
      if (t == text) return r.format;
    }
    ADD_FAILURE() << text;
    return runs.front().format;
  };
  EXPECT_EQ(runs.front().format.align, TextAlign::Center);
  EXPECT_TRUE(find("bold").bold);
  EXPECT_EQ(find("big").font, "Arial");
  EXPECT_EQ(find("big").size, 16);
  EXPECT_EQ(find("big").color, (Rgba{255, 128, 0, 255}));
  EXPECT_TRUE(find("x").italic);
  EXPECT_TRUE(find("y").underline);
  EXPECT_TRUE(find("item").bullet);
  EXPECT_EQ(find("t").left_margin, 5);
  EXPECT_EQ(find("t").tab_stops, (std::vector<double>{10, 20}));
  EXPECT_EQ(find("l").url, "u");
  EXPECT_EQ(find("l").target, "_blank");
  EXPECT_FALSE(find("l").bold);  // formats end with their tags
}

TEST(TextHtml, ParagraphsBreakOnlyInMultilineFields) {
  TextFormat base;
  struct Case {
    const char* html;
    const char* single;
    const char* multi;
  };
  const Case cases[] = {
      {"\n\n", "\r\r", "\r\r"},
      {" <p>test</p>  <p>test</p> ", " test  test ", " test\r  test\r "},
      {" <li>test</li> <li>test</li> ", " test test ", " \rtest\r \rtest\r "},
      {"<p>\n</p>\n", "\r\r", "\r\r\r"},
      {"line 1 <br> line 2", "line 1  line 2", "line 1 \r line 2"},
      {"text<li><br><textformat leftmargin=\"2\"></textformat></li>", "text", "text\r\r\r"},
      {"text<li><li></li></li>", "text", "text\r\r\r"},
      {"<p align=\"right\">text<li></li></p>", "text", "text\r\r\r"},
      // A paragraph's closing tag ends the outermost open paragraph, and any opened inside it.
      {"<p>a<p>b</p>c<p>d</p>e</p>", "abcde", "ab\rcd\re"},
      {"<p>test<b></b><p>test</p></p>", "testtest", "testtest\r"},
      // List items nest: each closing tag ends an item.
      {"<li>test<b></b><li>test</li></li>", "testtest", "test\rtest\r\r"},
      // Within a list item a paragraph closes only the paragraphs opened inside the item, and
      // one that a closed paragraph inside it has ended already adds no break.
      {"<p><li><p>test</p></li></p>", "test", "test\r\r"},
      {"<p><li><p><li>test</li></p></li></p>", "test", "test\r\r\r"},
      {"<li><p><li><p>test</p></li></p></li>", "test", "test\r\r\r"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Plain(ParseHtml(c.html, base, false)), c.single) << c.html;
    EXPECT_EQ(Plain(ParseHtml(c.html, base, true)), c.multi) << c.html;
  }
}

TEST(TextHtml, RunsWriteBackAsParagraphsOfFonts) {
  TextFormat base;
  base.font = "Noto Sans";
  base.size = 6;
  const std::string font =
      "<FONT FACE=\"Noto Sans\" SIZE=\"6\" COLOR=\"#000000\" LETTERSPACING=\"0\" KERNING=\"0\">";
  auto html = [&](const std::string& in, bool multiline) {
    return ToHtml(ParseHtml(in, base, multiline), base);
  };
  EXPECT_EQ(html("\n", false), "<P ALIGN=\"LEFT\">" + font + "</FONT></P>");
  EXPECT_EQ(html("\n\n", false),
            "<P ALIGN=\"LEFT\">" + font + "</FONT></P><P ALIGN=\"LEFT\">" + font + "</FONT></P>");
  EXPECT_EQ(html(" test ", false), "<P ALIGN=\"LEFT\">" + font + " test </FONT></P>");
  EXPECT_EQ(html("<li>test</li>\n", true),
            "<LI>" + font + "test</FONT></LI><P ALIGN=\"LEFT\">" + font + "</FONT></P>");
  EXPECT_EQ(
      html("line 1 line 2 <font color='#aaaaaa' kerning='1'><b>text</b></font>", false),
      "<P ALIGN=\"LEFT\">" + font +
          "line 1 line 2 <FONT COLOR=\"#AAAAAA\" KERNING=\"1\"><B>text</B></FONT></FONT></P>");
  EXPECT_EQ(html("<a href='http://example.com'>a&lt;b</a>", false),
            "<P ALIGN=\"LEFT\">" + font +
                "<A HREF=\"http://example.com\" TARGET=\"\">a&lt;b</A></FONT></P>");
  EXPECT_EQ(html("text<br><textformat indent='5'><textformat "
                 "rightmargin='3'><br></textformat></textformat>",
                 true),
            "<P ALIGN=\"LEFT\">" + font +
                "text</FONT></P><TEXTFORMAT RIGHTMARGIN=\"3\" INDENT=\"5\"><P ALIGN=\"LEFT\">" +
                font + "</FONT></P></TEXTFORMAT>");
  // Sizes are whole pixels from 1 to 127; signed ones change the size around them, and what is
  // no number changes nothing.
  {
    std::vector<TextRun> runs = ParseHtml(
        "<font size='1.9'>a<font size='+0.2'>b</font></font><font size='+x'>c</font>"
        "<font size='126'>d<font size='+1'>e<font size='+1'>f</font></font></font>",
        base, false);
    std::string sizes;
    for (const TextRun& r : runs)
      sizes += Utf32ToUtf8(r.text) + ":" + std::to_string(static_cast<int>(r.format.size)) + " ";
    EXPECT_EQ(sizes, "ab:1 c:6 d:126 ef:127 ");
  }
  // A closing bold or italic tag that crosses another open element is passed by.
  EXPECT_EQ(html("<b>a<i>b</b>c</i>d</b>e", false),
            "<P ALIGN=\"LEFT\">" + font + "<B>a</B><B><I>bc</I></B><B>d</B>e</FONT></P>");
  // A paragraph's break in other characters than its text writes as an empty piece after it;
  // one in the same characters writes nothing.
  EXPECT_EQ(html("<font color='#111111'>test</font>\n", false),
            "<P ALIGN=\"LEFT\"><FONT FACE=\"Noto Sans\" SIZE=\"6\" COLOR=\"#111111\" "
            "LETTERSPACING=\"0\" KERNING=\"0\">test<FONT COLOR=\"#000000\"></FONT></FONT></P>");
  EXPECT_EQ(html("<font color='#010101'>texttext<b><br></b></font>", true),
            "<P ALIGN=\"LEFT\"><FONT FACE=\"Noto Sans\" SIZE=\"6\" COLOR=\"#010101\" "
            "LETTERSPACING=\"0\" KERNING=\"0\">texttext<B></B></FONT></P>");
  EXPECT_EQ(html("<b>test</b>\n", false), "<P ALIGN=\"LEFT\">" + font + "<B>test</B></FONT></P>");
  // An empty paragraph written back reads back with its font.
  {
    const std::string empty =
        "<TEXTFORMAT LEADING=\"1\"><P ALIGN=\"LEFT\"><FONT FACE=\"Some Font\" SIZE=\"10\" "
        "COLOR=\"#000000\" LETTERSPACING=\"0\" KERNING=\"0\"></FONT></P></TEXTFORMAT>";
    EXPECT_EQ(html(empty, true), empty);
    EXPECT_EQ(html(html(empty, true), true), empty);
  }
  // On one line a list item's text joins the paragraph, which writes it as its own.
  EXPECT_EQ(html("<i>text<li>text</li></i>", false),
            "<P ALIGN=\"LEFT\">" + font + "<I>texttext</I></FONT></P>");
}

// FONT tags stay open across pieces: a piece nests inside the one before unless its font is that
// of an open tag, which closes the tags inside it.
TEST(TextHtml, FontTagsNestUntilAnOpenFontReturns) {
  TextFormat base;
  base.font = "Serif";
  base.size = 12;
  std::vector<TextRun> runs;
  auto add = [&](const char32_t* text, const char* face, double size) {
    TextFormat f = base;
    f.font = face;
    f.size = size;
    runs.push_back({text, f});
  };
  add(U"a", "Serif", 12);
  add(U"b", "Sans", 12);
  add(U"c", "Sans", 14);
  add(U"d", "Serif", 14);
  add(U"e", "Serif", 12);
  add(U"f", "Sans", 12);
  add(U"g", "Sans", 14);
  add(U"h", "Sans", 12);
  const std::string font =
      "<FONT FACE=\"Serif\" SIZE=\"12\" COLOR=\"#000000\" LETTERSPACING=\"0\" KERNING=\"0\">";
  EXPECT_EQ(ToHtml(runs, base),
            "<P ALIGN=\"LEFT\">" + font +
                "a<FONT FACE=\"Sans\">b<FONT SIZE=\"14\">c<FONT FACE=\"Serif\">d</FONT></FONT>"
                "</FONT>e<FONT FACE=\"Sans\">f<FONT SIZE=\"14\">g</FONT>h</FONT></FONT></P>");
}

// The break a closing paragraph adds keeps the format of the paragraph's text, not that of the
// tags around the paragraph, so a format read over the whole text is the text's.
TEST(TextHtml, ParagraphBreakTakesTheFormatOfItsText) {
  TextFormat base;
  auto runs = ParseHtml("<p><font kerning='1' size='20'>a</font></p><p>b</p>", base, true);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].text, U"a\r");
  EXPECT_TRUE(runs[0].format.kerning);
  EXPECT_EQ(runs[0].format.size, 20);
  EXPECT_EQ(runs[1].text, U"b\r");
  EXPECT_FALSE(runs[1].format.kerning);
  // An empty paragraph's break keeps the paragraph's own format but the field's characters,
  // whatever character tags are open around it.
  runs = ParseHtml("<font size='30'><b><p align='right'></p></b></font>", base, true);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].format.size, base.size);
  EXPECT_FALSE(runs[0].format.bold);
  EXPECT_EQ(runs[0].format.align, TextAlign::Right);
}

// A font element that closes holding no text leaves its characters to the breaks of the
// paragraphs that close after it, even over text written since and in later paragraphs; the
// latest such element counts, the one that closes last when they nest.
TEST(TextHtml, EmptyFontElementsColourLaterParagraphBreaks) {
  TextFormat base;
  auto breaks = [&](const std::string& html) {
    std::string out;
    for (const TextRun& r : ParseHtml(html, base, true))
      for (char32_t c : r.text)
        if (c == '\r') out += HtmlColorOf(r.format) + (r.format.bullet ? "* " : " ");
    return out;
  };
  EXPECT_EQ(breaks("<p>test<font color='#121212'></font><p>test</p></p>"), "121212 ");
  EXPECT_EQ(breaks("<p>a<font color='#121212'></font><font color='#131313'>"
                   "<font color='#141414'></font></font>b</p>"),
            "131313 ");
  EXPECT_EQ(breaks("<p>a<font color='#121212'></font></p><font color='#131313'><p>b</p></font>"),
            "121212 121212 ");
  // A font that holds text leaves the break to the paragraph's last character.
  EXPECT_EQ(breaks("<p><font color='#111111'>a</font></p><p>b</p>"), "111111 000000 ");
  // Bold, italic and other elements leave nothing behind.
  EXPECT_EQ(breaks("<p>a<b></b><i></i><a href='x'></a></p>"), "000000 ");
  // A list item's break takes the item's format, not its text's; a paragraph around it, then
  // empty, the field's characters.
  EXPECT_EQ(breaks("<li><font color='#010101'>a</font></li>"), "000000* ");
  EXPECT_EQ(breaks("<font color='#010101'><p><li></li></p></font>"), "010101* 000000 ");
  // Line ends in the text take the tags open around them.
  EXPECT_EQ(breaks("<font color='#121212'></font><font color='#131313'>a\n</font>"), "131313 ");
}

TEST(TextHtml, HostileMarkupIsReadSafely) {
  TextFormat base;
  // Unclosed and unbalanced tags, stray brackets, broken entities, absurd attribute values.
  EXPECT_EQ(Plain(ParseHtml("<b>a</i>b</b></b></font>c", base)), "abc");
  EXPECT_EQ(Plain(ParseHtml("a < b", base)), "a < b");
  EXPECT_EQ(Plain(ParseHtml("<p>a</p><br>b", base)), "a\r\rb");
  EXPECT_EQ(Plain(ParseHtml("a</p></li>b", base)), "ab");
  EXPECT_EQ(Plain(ParseHtml("x<", base)), "x<");
  EXPECT_EQ(Plain(ParseHtml("&bogus; &#0; &#xD800; &#99999999999; &", base)),
            "&bogus; &#0; &#xD800; &#99999999999; &");
  EXPECT_EQ(Plain(ParseHtml("<font size='99999999' color='#zz'>s</font><!-- c --><?x?>", base)),
            "s");
  EXPECT_EQ(ParseHtml("<font size='99999999'>s</font>", base).front().format.size, 127);
  EXPECT_EQ(Plain(ParseHtml("<p attr=\"unterminated>t</p>", base)), "t\r");
  EXPECT_TRUE(ParseHtml("", base).empty());
  // Deep nesting keeps its text and bounded format stack; closing tags far from any opening.
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<b><font size='+1'>";
  deep += "x";
  for (int i = 0; i < 100000; ++i) deep += "</font></b></p></li>";
  auto runs = ParseHtml(deep, base);
  EXPECT_TRUE(Plain(runs) == "x") << Plain(runs).size();  // closing tags never opened add nothing
  // Many brackets and ampersands without ends stay linear (this would take minutes otherwise).
  std::string brackets(200000, '<');
  brackets += ">";
  // (the brackets within a tag's length of the '>' form one unknown tag, the rest are text)
  EXPECT_EQ(Plain(ParseHtml(brackets, base)).size(), 200000u - 4096u);
  std::string amps(200000, '&');
  EXPECT_EQ(Plain(ParseHtml(amps, base)).size(), 200000u);
  // Invalid UTF-8 bytes stand for themselves.
  EXPECT_EQ(Plain(ParseHtml("\xff\xc3", base)), "\xc3\xbf\xc3\x83");
}

}  // namespace

// A font whose metrics fall between twips at 12 pixels: ascent 12.832, descent 3.516 and every
// advance 6.867 pixels.
std::shared_ptr<FontDef> OddFont() { return UniformFont(2, "Odd", 1095, 300, " abc", 586); }

TEST(TextLayout, MetricsAreCutToWholeTwipsAndOneLineKeepsItsLeading) {
  auto font = OddFont();
  EmbeddedFace face(font);
  TextFormat format;
  format.font = "Odd";
  format.size = 12;
  format.leading = 2;
  LayoutOptions options;
  options.box = {0, 0, 400, 100};
  auto lay = [&](const std::string& text) {
    return LayoutText({{Utf8ToUtf32(text), format}}, options,
                      [&](const TextFormat&) { return &face; });
  };
  TextLayout l = lay("abc");
  ASSERT_EQ(l.lines.size(), 1u);
  EXPECT_DOUBLE_EQ(l.lines[0].ascent, 12.8);  // 256.6 twips
  EXPECT_DOUBLE_EQ(l.lines[0].descent, 3.5);  // 70.3 twips
  EXPECT_DOUBLE_EQ(l.glyphs[1].x - l.glyphs[0].x, 6.85);  // 137.3 twips
  EXPECT_DOUBLE_EQ(l.text_width, 3 * 6.85);
  // One line's height holds its leading; of several lines the last one's leading is left out.
  EXPECT_DOUBLE_EQ(l.text_height, 12.8 + 3.5 + 2);
  l = lay("a\rb\rc");
  EXPECT_NEAR(l.text_height, 3 * 16.3 + 2 * 2, 1e-9);
  EXPECT_NEAR(l.lines[2].top - l.lines[0].top, 2 * 18.3, 1e-9);
  // No characters, no height, even though the empty line is there for the caret.
  l = lay("");
  EXPECT_EQ(l.lines.size(), 1u);
  EXPECT_EQ(l.text_height, 0);
  options.auto_size = AutoSize::Left;
  EXPECT_DOUBLE_EQ(lay("").box.height, 2 * kGutter);
}

TEST(TextLayout, TrailingSpacesCountInTheWidthButNotInTheAlignment) {
  Fixture f;
  TextLayout l = f.Lay(" ab  ");
  EXPECT_DOUBLE_EQ(l.text_width, 50);
  EXPECT_DOUBLE_EQ(l.lines[0].width, 30);
  f.options.auto_size = AutoSize::Right;
  EXPECT_DOUBLE_EQ(f.Lay("ab ").box.width, 30 + 2 * kGutter);
  f.options.auto_size = AutoSize::None;
  f.format.align = TextAlign::Right;
  l = f.Lay("ab  ");
  EXPECT_DOUBLE_EQ(l.glyphs[1].x + 10, 104 - kGutter);  // the ink ends at the right edge
  // A wrapped line's closing space counts in the width too, yet never breaks the line itself.
  f.format.align = TextAlign::Left;
  f.options.word_wrap = true;
  l = f.Lay("abcdefghij klm");
  ASSERT_EQ(l.lines.size(), 2u);
  EXPECT_EQ(l.lines[0].end_char, 11u);
  EXPECT_DOUBLE_EQ(l.text_width, 110);
}

TEST(TextLayout, TabsStopAtTheParagraphsStopsThenTakeNoRoom) {
  Fixture f;
  f.format.tab_stops = {35, 60};
  TextLayout l = f.Lay("a\tb\tc\td");
  ASSERT_EQ(l.glyphs.size(), 4u);
  EXPECT_DOUBLE_EQ(l.glyphs[1].x, kGutter + 35);
  EXPECT_DOUBLE_EQ(l.glyphs[2].x, kGutter + 60);
  EXPECT_DOUBLE_EQ(l.glyphs[3].x, kGutter + 70);  // past the last stop the tab is nothing
  // Without stops of its own a paragraph's tabs stop every 32 pixels.
  f.format.tab_stops.clear();
  l = f.Lay("a\tb\tcdefg\th");
  ASSERT_EQ(l.glyphs.size(), 8u);
  EXPECT_DOUBLE_EQ(l.glyphs[1].x, kGutter + 32);
  EXPECT_DOUBLE_EQ(l.glyphs[2].x, kGutter + 64);
  EXPECT_DOUBLE_EQ(l.glyphs[7].x, kGutter + 128);  // "cdefg" ends at 114
  // A tab is no place to break: the word around it breaks where it no longer fits.
  f.format.tab_stops = {85};
  f.options.word_wrap = true;
  l = f.Lay("abcd\tefgh");
  ASSERT_EQ(l.lines.size(), 2u);
  EXPECT_EQ(l.lines[0].end_char, 6u);  // "abcd\te" fits: 85 + 10 pixels
  EXPECT_DOUBLE_EQ(l.text_width, 95);
}

TEST(TextLayout, EveryLineEndOfPlainTextBreaks) {
  TextField field;
  field.multiline = true;
  field.SetText("a\r\nb\nc\rd");
  EXPECT_EQ(field.Text(), "a\r\rb\rc\rd");
  EXPECT_EQ(field.Layout().lines.size(), 5u);
}

// A plain field takes the tag's paragraph layout for the text it is given later; an HTML field
// takes the tag's alignment only with initial text of its own, and the margins either way.
TEST(TextLayout, HtmlTagsTakeTheirAlignmentWithTheirInitialText) {
  EditTextDef def;
  def.bounds = {0, 2000, 0, 2000};
  def.has_layout = true;
  def.align = TextAlign::Center;
  def.left_margin = 200;
  struct Case {
    bool html, has_text;
    TextAlign align;
  } cases[] = {{false, false, TextAlign::Center},
               {true, false, TextAlign::Left},
               {true, true, TextAlign::Center},
               {false, true, TextAlign::Center}};
  for (const Case& c : cases) {
    def.html = c.html;
    def.has_text = c.has_text;
    def.initial_text = c.has_text ? "text" : "";
    TextField field(def, nullptr);
    EXPECT_EQ(field.default_format.align, c.align) << c.html << c.has_text;
    EXPECT_DOUBLE_EQ(field.default_format.left_margin, 10) << c.html << c.has_text;
    if (c.has_text) {
      ASSERT_FALSE(field.Runs().empty());
      EXPECT_EQ(field.Runs().front().format.align, c.align);
    }
  }
}
