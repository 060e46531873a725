// Text read back and shown beyond the field's own text: TextSnapshot over static texts, the
// rendering settings of fields (CSMTextSettings and their script members) and the selection of
// the focused field as it is drawn.
#include <gtest/gtest.h>

#include "platform/flash/format/tag_codes.h"
#include "platform/flash/format/text.h"
#include "platform/flash/format/writer.h"
#include "platform/flash/player/player.h"
#include "platform/flash/stage_painter.h"
#include "tests/flash/movie_builder.h"
#include "tests/flash/script_objects_support.h"

using flashtest::Script;

namespace {

// A font whose glyphs are boxes half an EM wide and three quarters high on the baseline, one
// per letter of `letters` (all of them the same box).
flash::FontSpec BoxFont(const std::string& letters) {
  flash::FontSpec f;
  f.version = 2;
  f.name = "Box";
  for (char ch : letters) {
    flash::ShapeBuilder g;
    int fill = g.AddFill(flash::FillStyleSpec::Solid({0, 0, 0, 255}));
    g.Rectangle(0, -768, 512, 0, fill);
    f.glyphs.push_back({static_cast<uint16_t>(ch), g.EncodeGlyph(), 512, {0, 512, -768, 0}});
  }
  f.ascent = 768;
  f.descent = 256;
  return f;
}

// A static text of two records in the box font: glyph indexes into "ABCDEFGHIJK".
flash::StaticTextSpec TwoRecords() {
  flash::StaticTextSpec t;
  t.bounds = {0, 4000, 0, 2000};
  flash::StaticTextSpec::Record first;
  first.font_id = 1;
  first.has_x = first.has_y = true;
  first.y = 400;
  for (uint32_t i = 0; i < 5; ++i) first.glyphs.push_back({i, 240});
  flash::StaticTextSpec::Record second;
  second.has_y = true;
  second.y = 800;
  for (uint32_t i = 5; i < 11; ++i) second.glyphs.push_back({i, 240});
  t.records = {first, second};
  return t;
}

// Runs `code` on the first frame of the movie `w` holds so far and gives what it traced.
std::string TraceOfFirstFrame(flash::SwfWriter& w, const std::vector<uint8_t>& code) {
  w.DoAction(code);
  w.ShowFrame();
  flash::Player player;
  player.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
  player.Tick();
  return flashtest::Joined(player.trace_log);
}

std::string RunWithStaticText(const std::vector<uint8_t>& code) {
  flash::SwfWriter w(8, 200, 100, 12);
  w.DefineFont(1, BoxFont("ABCDEFGHIJK"));
  w.DefineText(2, TwoRecords());
  w.Place(flashtest::NewPlace(1, 2));
  return TraceOfFirstFrame(w, code);
}

// The static text inside a sprite named "kid" at depth 1 of the root.
std::string RunWithTextInSprite(const std::vector<uint8_t>& code) {
  flash::SwfWriter w(8, 200, 100, 12);
  w.DefineFont(1, BoxFont("ABCDEFGHIJK"));
  w.DefineText(2, TwoRecords());
  flash::TimelineWriter sprite;
  sprite.Place(flashtest::NewPlace(1, 2));
  sprite.ShowFrame();
  w.DefineSprite(3, sprite);
  w.Place(flashtest::NewPlace(1, 3, "kid"));
  return TraceOfFirstFrame(w, code);
}

}  // namespace

TEST(TextSnapshot, KeepsTheClipItWasMadeOfAfterTheClipIsRemoved) {
  Script s;
  auto text_of = [](const std::string& var) {
    return [var](Script& s) { s.Call(var, "getText", {Script::Num(0), Script::Num(100)}); };
  };
  s.Var("before", [](Script& s) { s.New("TextSnapshot", {Script::VarRef("kid")}); });
  s.TraceExpr(text_of("before"));
  s.Call("kid", "swapDepths", {Script::Num(10)}).Drop();
  s.Call("kid", "removeMovieClip", {}).Drop();
  // The snapshot made before still reads the removed clip's text; the name finds nothing now.
  s.TraceExpr(text_of("before"));
  s.Var("after", [](Script& s) { s.New("TextSnapshot", {Script::VarRef("kid")}); });
  s.TraceExpr(text_of("after"));
  EXPECT_EQ(RunWithTextInSprite(s.a.Build()), "ABCDEFGHIJK\nABCDEFGHIJK\nundefined\n");
}

TEST(TextSnapshot, ReadsAndSearchesTheStaticTextOfAClip) {
  Script s;
  s.Var("ts", [](Script& s) { s.Call("this", "getTextSnapshot", {}); });
  s.TraceExpr([](Script& s) { s.Call("ts", "getCount", {}); });
  s.TraceExpr([](Script& s) { s.Call("ts", "getText", {Script::Num(3), Script::Num(7)}); });
  // Ranges are clamped to the text; records follow each other without line ends.
  s.TraceExpr([](Script& s) { s.Call("ts", "getText", {Script::Num(-4), Script::Num(100)}); });
  auto find = [&](double from, const char* text, bool exact) {
    s.TraceExpr([=](Script& s) {
      s.Call("ts", "findText",
             {Script::Num(from), Script::Str(text), [=](Script& s) { s.a.PushBool(exact); }});
    });
  };
  find(0, "EF", true);   // across the records
  find(0, "ef", true);   // case counts when asked to
  find(0, "ef", false);  // and not otherwise
  find(5, "EF", true);   // starting past it
  find(0, "", true);     // an empty text is never found
  find(-1, "A", true);   // nor anything from before the start
  find(12, "A", true);   // or past the end
  // Another number of arguments gives undefined.
  s.TraceExpr([](Script& s) { s.Call("ts", "findText", {Script::Num(0), Script::Str("A")}); });
  // A snapshot without a clip has no text.
  s.Var("none", [](Script& s) { s.New("TextSnapshot"); });
  s.TraceExpr([](Script& s) { s.Call("none", "getCount", {}); });
  EXPECT_EQ(RunWithStaticText(s.a.Build()),
            "11\nDEFG\nABCDEFGHIJK\n4\n-1\n4\n-1\n-1\n-1\n-1\nundefined\nundefined\n");
}

TEST(TextSnapshot, GetTextSnapshotConstructsWhateverTheGlobalClassIsNow) {
  Script s;
  s.SetMember("_global", "TextSnapshot", [](Script& s) {
    Script body;
    body.TraceExpr([](Script& b) { b.Get("a"); });
    s.Function({"a"}, body);
  });
  s.Var("ts", [](Script& s) { s.Call("this", "getTextSnapshot", {}); });
  s.TraceExpr([](Script& s) {
    s.Member("ts", "constructor")(s);
    s.Member("_global", "TextSnapshot")(s);
    s.a.Op(0x49);  // equals
  });
  EXPECT_EQ(s.Run(), "_level0\ntrue\n");
}

TEST(TextFieldSettings, CsmTextSettingsReachTheFieldItNames) {
  std::map<uint16_t, flash::CharacterPtr> dict;
  flash::EditTextSpec spec;
  spec.bounds = {0, 2000, 0, 400};
  auto field = spec.Encode(3);
  ASSERT_TRUE(flash::ReadTextTag(flash::kTagDefineEditText, field.data(), field.size(), 8, dict));
  // Advanced anti-aliasing, sub-pixel fitting, thickness 1.5 and sharpness -2.
  std::vector<uint8_t> csm = {3, 0, 0x50, 0, 0, 0xC0, 0x3F, 0, 0, 0, 0xC0, 0};
  EXPECT_TRUE(flash::ReadTextTag(flash::kTagCsmTextSettings, csm.data(), csm.size(), 8, dict));
  const auto& def = static_cast<const flash::EditTextDef&>(*dict[3]);
  EXPECT_EQ(def.anti_alias, 1);
  EXPECT_EQ(def.grid_fit, 2);
  EXPECT_FLOAT_EQ(def.thickness, 1.5f);
  EXPECT_FLOAT_EQ(def.sharpness, -2.0f);
  // A short tag, or one naming no field, changes nothing.
  std::vector<uint8_t> short_tag = {3, 0, 0x00, 0, 0};
  EXPECT_TRUE(flash::ReadTextTag(flash::kTagCsmTextSettings, short_tag.data(), short_tag.size(),
                                 8, dict));
  csm[0] = 9;
  EXPECT_TRUE(flash::ReadTextTag(flash::kTagCsmTextSettings, csm.data(), csm.size(), 8, dict));
  EXPECT_EQ(static_cast<const flash::EditTextDef&>(*dict[3]).grid_fit, 2);
  EXPECT_EQ(dict.count(9), 0u);
}

TEST(TextFieldSettings, RenderingMembersKeepKnownNamesAndAnyNumber) {
  Script s;
  s.Call("this", "createTextField",
         {Script::Str("t"), Script::Num(1), Script::Num(0), Script::Num(0), Script::Num(50),
          Script::Num(20)})
      .Drop();
  s.TraceMember("t.antiAliasType");
  s.TraceMember("t.gridFitType");
  s.TraceMember("t.restrict");
  s.TraceMember("t.mouseWheelEnabled");
  s.SetMember("t", "antiAliasType", Script::Str("advanced"));
  s.SetMember("t", "antiAliasType", Script::Str("bogus"));
  s.SetMember("t", "gridFitType", Script::Str("subpixel"));
  s.SetMember("t", "sharpness", Script::Num(-539));
  s.SetMember("t", "restrict", Script::Str("a-z"));
  s.TraceMember("t.antiAliasType");
  s.TraceMember("t.gridFitType");
  s.TraceMember("t.sharpness");
  s.TraceMember("t.restrict");
  s.SetMember("t", "restrict", [](Script& s) { s.a.PushNull(); });
  s.TraceMember("t.restrict");
  EXPECT_EQ(s.Run(), "normal\npixel\nnull\ntrue\nadvanced\nsubpixel\n-539\na-z\nnull\n");

  // Movies before version 8 do not see the rendering members: assigning makes a plain value.
  Script old(7);
  old.Var("o", [](Script& s) { s.New("TextField"); });
  old.SetMember("o", "antiAliasType", Script::Str("bogus"));
  old.TraceMember("o.antiAliasType");
  old.TraceMember("o.condenseWhite");
  EXPECT_EQ(old.Run(), "bogus\nundefined\n");
}

TEST(TextFieldSelection, SelectedGlyphsAreDrawnInverseOnABlackBand) {
  flash::SwfWriter w(8, 100, 40, 12);
  w.DefineFont(1, BoxFont("a"));
  flash::EditTextSpec spec;
  spec.bounds = {0, 2000, 0, 800};  // 100 by 40 pixels
  spec.font_id = 1;
  spec.font_height = 400;  // 20 pixels: each box 10 wide, 15 high, 5 below the baseline
  spec.use_outlines = true;
  spec.read_only = true;
  spec.text = "aaaa";
  w.DefineEditText(2, spec);
  w.Place(flashtest::NewPlace(1, 2));
  w.ShowFrame();
  flash::Player p;
  p.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
  p.Tick();
  std::shared_ptr<flash::DisplayObject> field = p.LevelRoots()[0]->children.at(1);
  std::vector<uint8_t> px(100 * 40 * 4);
  auto at = [&](int x, int y) { return px[static_cast<size_t>((y * 100 + x) * 4)]; };
  // Glyphs start after the 2-pixel gutter: box i covers x 2+10i..12+10i, y 2..17; the line
  // reaches down to y 22.
  auto paint = [&](size_t caret, size_t anchor) {
    p.input.focus = field;
    p.input.caret = caret;
    p.input.anchor = anchor;
    flash::PaintStage(p, {px.data(), 100, 40, 400}, {255, 255, 255, 255});
  };
  paint(1, 3);
  EXPECT_EQ(at(7, 10), 0);     // first glyph, not selected: black ink
  EXPECT_EQ(at(7, 20), 255);   // below it: white
  EXPECT_EQ(at(17, 10), 255);  // second glyph, selected: white ink
  EXPECT_EQ(at(17, 20), 0);    // on the black band
  EXPECT_EQ(at(27, 20), 0);
  EXPECT_EQ(at(37, 10), 0);  // fourth glyph, not selected again
  EXPECT_EQ(at(37, 20), 255);
  // Without a selection nothing is inverted (a dynamic field shows no caret either).
  paint(2, 2);
  EXPECT_EQ(at(17, 10), 0);
  EXPECT_EQ(at(17, 20), 255);
}
