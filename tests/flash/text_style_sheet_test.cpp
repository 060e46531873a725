// Style sheets: reading CSS text (malformed and hostile text too), the styles HTML text takes
// from a sheet, condensed white space, and TextField.StyleSheet as scripts use it.
#include <gtest/gtest.h>

#include <string>

#include "platform/flash/text/html_text.h"
#include "platform/flash/text/style_sheet.h"
#include "tests/flash/script_objects_support.h"

using namespace flash;
using namespace flash::text;
using flashtest::Script;

namespace {

std::string Plain(const std::vector<TextRun>& runs) {
  std::u32string s;
  for (const auto& r : runs) s += r.text;
  return Utf32ToUtf8(s);
}

// The format of the run holding `text` (a paragraph's break left out).
const TextFormat* FormatOf(const std::vector<TextRun>& runs, const std::string& text) {
  for (const auto& r : runs) {
    std::string t = Utf32ToUtf8(r.text);
    while (!t.empty() && t.back() == '\r') t.pop_back();
    if (t == text) return &r.format;
  }
  return nullptr;
}

ElementStyle Style(uint32_t members, const std::function<void(TextFormat&)>& set,
                   Display display = Display::kBlock) {
  ElementStyle s;
  set(s.format);
  s.members = members;
  s.display = display;
  return s;
}

}  // namespace

TEST(CssText, BlocksSelectorsAndDeclarations) {
  auto rules = ParseCss(
      "p { color: #FF0000; font-size: 12 }\n"
      "a, .note{text-decoration:underline;}x}{}\t"
      "key {  name  :  two  words: here ;}");
  ASSERT_TRUE(rules);
  ASSERT_EQ(rules->size(), 5u);
  EXPECT_EQ((*rules)[0].selector, "p");
  // A value keeps the blanks before ';' or '}', a name those before its colon.
  EXPECT_EQ((*rules)[0].declarations,
            (std::vector<std::pair<std::string, std::string>>{{"color", "#FF0000"},
                                                               {"font-size", "12 "}}));
  EXPECT_EQ((*rules)[1].selector, "a");
  EXPECT_EQ((*rules)[2].selector, ".note");
  EXPECT_EQ((*rules)[1].declarations, (*rules)[2].declarations);
  EXPECT_EQ((*rules)[3].selector, "x}");
  EXPECT_TRUE((*rules)[3].declarations.empty());
  EXPECT_EQ((*rules)[4].declarations.front(),
            (std::pair<std::string, std::string>{"name  ", "two  words: here "}));
  EXPECT_TRUE(ParseCss("")->empty());
  EXPECT_TRUE(ParseCss(" \r\n\t ")->empty());
}

TEST(CssText, SemicolonsBelongToNamesAndTheEndMayCloseABlock) {
  auto one = [](const char* css) {
    auto rules = ParseCss(css);
    EXPECT_TRUE(rules && rules->size() == 1) << css;
    return rules && !rules->empty() ? rules->front().declarations
                                    : std::vector<std::pair<std::string, std::string>>{};
  };
  using D = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(one("b{;;key: value;;other: value;}"), (D{{";;key", "value"}, {";other", "value"}}));
  EXPECT_EQ(one("e{key;other: value;}"), (D{{"key;other", "value"}}));
  EXPECT_EQ(one("a{name}b{:value}"), (D{{"name}b{", "value"}}));
  EXPECT_EQ(one("a{key:;"), (D{{"key", ""}}));
  EXPECT_EQ(one("a{:;"), D{});  // a declaration without a name is dropped
  EXPECT_EQ(one("a{"), D{});
  EXPECT_EQ(one("\"q\" {c: \"r\\\"}"), (D{{"c", "\"r\\\""}}));
}

TEST(CssText, MalformedTextIsRefusedWhole) {
  for (const char* css : {"a", "a ", "{color:red}", "long key { a: b }", "a{name", "a{name}",
                          "a{key", "a{key:", "a{key:value", "a{:", "a{prop with space: v}",
                          "a{;;key: value;other: value;;}", "one { a: b; }; junk",
                          "a,{b:c}", ", a{b:c}", "a{b:c} d"})
    EXPECT_FALSE(ParseCss(css)) << css;
}

TEST(CssText, HostileTextCostsLinearTime) {
  // Many selectors, many blocks, a long value, unbalanced braces: all read in one pass.
  std::string selectors;
  for (int i = 0; i < 20000; ++i) selectors += "s" + std::to_string(i) + ",";
  selectors += "last{k:v}";
  auto rules = ParseCss(selectors);
  ASSERT_TRUE(rules);
  EXPECT_EQ(rules->size(), 20001u);
  std::string blocks;
  for (int i = 0; i < 20000; ++i) blocks += "a{b:c}";
  EXPECT_EQ(ParseCss(blocks)->size(), 20000u);
  EXPECT_FALSE(ParseCss(std::string(200000, '{')));
  EXPECT_EQ(ParseCss("a{k:" + std::string(200000, 'x') + "}")->front().declarations[0].second.size(),
            200000u);
  EXPECT_FALSE(ParseCss(std::string("a\0{b:c}", 8)));  // a NUL is part of the selector
}

TEST(CssText, DashedNamesBecomeMemberNames) {
  EXPECT_EQ(CssMemberName("font-size"), "fontSize");
  EXPECT_EQ(CssMemberName("this--one"), "this-one");
  EXPECT_EQ(CssMemberName("UPPER-DASHES"), "UPPERDASHES");
  EXPECT_EQ(CssMemberName("trailing-"), "trailing");
  EXPECT_EQ(CssMemberName("-x"), "X");
  EXPECT_EQ(CssMemberName("plain  "), "plain  ");
}

TEST(StyledHtml, TagClassAndLinkStylesApplyInOrder) {
  StyleMap styles;
  styles["p"] = Style(1u << kFormatColor, [](TextFormat& f) { f.color = {255, 0, 0, 255}; });
  styles[".big"] = Style(1u << kFormatSize | 1u << kFormatColor, [](TextFormat& f) {
    f.size = 30;
    f.color = {0, 0, 255, 255};
  });
  styles["a:link"] = Style(1u << kFormatUnderline, [](TextFormat& f) { f.underline = true; });
  styles["span"] = Style(1u << kFormatItalic, [](TextFormat& f) { f.italic = true; });
  TextFormat base;
  auto runs = ParseHtml(
      "<p>red<span class='big'>big</span><a href='u'>link</a><a>name</a></p><p class=\"big\">"
      "blue</p><span class='nothing'>plain</span>",
      base, true, &styles);
  EXPECT_EQ(Plain(runs), "redbiglinkname\rblue\rplain");
  ASSERT_TRUE(FormatOf(runs, "red") && FormatOf(runs, "big") && FormatOf(runs, "link"));
  EXPECT_EQ(FormatOf(runs, "red")->color, (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(FormatOf(runs, "red")->size, base.size);  // members a style lacks stay
  EXPECT_EQ(FormatOf(runs, "big")->size, 30);         // the class after the tag
  EXPECT_EQ(FormatOf(runs, "big")->color, (Rgba{0, 0, 255, 255}));
  EXPECT_TRUE(FormatOf(runs, "big")->italic);
  EXPECT_TRUE(FormatOf(runs, "link")->underline);
  EXPECT_EQ(FormatOf(runs, "link")->url, "u");
  EXPECT_FALSE(FormatOf(runs, "name")->underline);  // an anchor without href is no link
  EXPECT_EQ(FormatOf(runs, "blue")->color, (Rgba{0, 0, 255, 255}));
  EXPECT_TRUE(FormatOf(runs, "plain")->italic);
  // Without styles the same markup keeps its own formats.
  EXPECT_EQ(ParseHtml("<p class='big'>x</p>", base, true, nullptr).front().format.size, base.size);
}

TEST(StyledHtml, DisplayDecidesTheFlow) {
  const uint32_t bold = 1u << kFormatBold;
  StyleMap styles;
  styles["title"] = Style(bold, [](TextFormat& f) { f.bold = true; }, Display::kBlock);
  styles["tag"] = Style(bold, [](TextFormat& f) { f.bold = true; }, Display::kInline);
  styles["secret"] = Style(0, [](TextFormat&) {}, Display::kNone);
  styles["p"] = Style(0, [](TextFormat&) {}, Display::kInline);
  styles["b"] = Style(0, [](TextFormat&) {}, Display::kBlock);  // stays inline
  styles[".gone"] = Style(0, [](TextFormat&) {}, Display::kNone);  // classes set no flow
  TextFormat base;
  auto runs = ParseHtml(
      "<title>Head</title>a <tag>t</tag> <secret>hidden <b>x</b>\n</secret><p>p1</p><p>p2</p>"
      "<b>b</b><span class='gone'>shown</span><unknown>u</unknown>",
      base, true, &styles);
  EXPECT_EQ(Plain(runs), "Head\ra t p1p2bshownu");
  EXPECT_TRUE(FormatOf(runs, "Head")->bold);
  EXPECT_TRUE(FormatOf(runs, "t")->bold);
  // A single-line field has no paragraphs to end.
  EXPECT_EQ(Plain(ParseHtml("<title>Head</title>a", base, false, &styles)), "Heada");
}

TEST(StyledHtml, CondensedWhiteSpace) {
  TextFormat base;
  auto plain = [&](const char* html) { return Plain(ParseHtml(html, base, true, nullptr, true)); };
  EXPECT_EQ(plain(" \n\t "), "");
  EXPECT_EQ(plain("<b> </b> <i>\n</i>"), "");
  EXPECT_EQ(plain("\n \tasdf \t  \n"), " asdf ");
  EXPECT_EQ(plain("a \t \n b"), "a b");
  EXPECT_EQ(plain("a&nbsp; &nbsp;b"), "a\u00a0 \u00a0b");  // entities are no blanks
  EXPECT_EQ(plain(" <b> one </b> <b> two </b> "), " one  two ");
  EXPECT_EQ(plain("x<br>y"), "x\ry");  // markup still breaks
  EXPECT_EQ(Plain(ParseHtml("a  b\n", base, true)), "a  b\r");  // off: kept as it is
}

TEST(ScriptStyleSheet, StylesAreCopiedTransformedAndApplied) {
  Script s;
  s.Var("ss", [](Script& s) { s.NewIn("TextField", "StyleSheet"); });
  s.TraceExpr([](Script& s) {
    s.Call("ss", "parseCSS", {Script::Str(".warn { color: #FF0000; font-weight: bold; } p {}")});
  });
  s.TraceExpr([](Script& s) { s.Call("ss", "parseCSS", {Script::Str("bad { x")}); });
  s.TraceExpr([](Script& s) {
    s.Call("ss", "getStyleNames");
    s.a.PushString("length").Op(0x4E);
  });
  s.Var("st", [](Script& s) { s.Call("ss", "getStyle", {Script::Str(".warn")}); });
  s.TraceMember("st.fontWeight");
  s.SetMember("st", "color", Script::Str("#00FF00"));  // a copy: the sheet keeps its own
  s.Call("this", "createTextField",
         {Script::Str("t"), Script::Num(1), Script::Num(0), Script::Num(0), Script::Num(100),
          Script::Num(20)});
  s.Drop();
  s.SetMember("t", "html", [](Script& s) { s.a.PushBool(true); });
  s.SetMember("t", "styleSheet", Script::VarRef("ss"));
  s.SetMember("t", "htmlText", Script::Str("<p>ok <span class='warn'>hot</span></p>"));
  s.TraceMember("t.text");
  s.TraceExpr([](Script& s) {
    s.Call("t", "getTextFormat", {Script::Num(4)});
    s.a.PushString("color").Op(0x4E);
  });
  s.TraceExpr([](Script& s) {
    s.Call("t", "getTextFormat", {Script::Num(4)});
    s.a.PushString("bold").Op(0x4E);
  });
  s.TraceExpr([](Script& s) {
    s.Call("t", "getTextFormat", {Script::Num(0)});
    s.a.PushString("bold").Op(0x4E);
  });
  s.Call("ss", "clear").Drop();
  s.TraceExpr([](Script& s) { s.Call("ss", "getStyle", {Script::Str(".warn")}); });
  EXPECT_EQ(s.Run(), "true\nfalse\n2\nbold\nok hot\n16711680\ntrue\nfalse\nnull\n");
}

// A press on a link calls "asfunction:" functions from the field's parent (or _global) with the
// text after the first comma; presses beside the text or on an empty call do nothing.
TEST(ScriptTextLinks, AsfunctionLinksCallTheirFunction) {
  Script s;
  Script body;
  body.Get("a").a.Trace();
  s.SetMember("_global", "hit", [&](Script& s) { s.Function({"a"}, body); });
  s.Call("this", "createTextField",
         {Script::Str("t"), Script::Num(1), Script::Num(0), Script::Num(0), Script::Num(100),
          Script::Num(30)});
  s.Drop();
  s.SetMember("t", "html", [](Script& s) { s.a.PushBool(true); });
  s.SetMember("t", "multiline", [](Script& s) { s.a.PushBool(true); });
  s.SetMember("t", "htmlText",
              Script::Str("<p><a href='asfunction:hit, one,two'>MMMMMMMMMMMMMMMMMMMM</a></p>"
                          "<p><a href='asfunction:'>MMMMMMMMMMMMMMMMMMMM</a></p>"));
  EXPECT_EQ(s.Run(), "");
  s.player.MouseDown(20, 8);
  s.player.MouseUp(20, 8);
  EXPECT_EQ(flashtest::Joined(s.player.trace_log), " one,two\n");
  s.player.MouseDown(20, 22);  // the empty call
  s.player.MouseDown(20, 80);  // below the field
  EXPECT_EQ(flashtest::Joined(s.player.trace_log), " one,two\n");
}
