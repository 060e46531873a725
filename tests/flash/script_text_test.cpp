// Text fields and text formats as scripts see them: fields placed on the timeline and made by
// createTextField, their members and formats, and fields bound to variables.
#include <gtest/gtest.h>

#include "platform/flash/format/writer.h"
#include "tests/flash/script_objects_support.h"

using flashtest::Script;

namespace {

// A movie with a field named "field" at depth 1 placed on frame 1 and one script a frame, run
// for as many ticks as there are scripts; the trace output.
std::string RunWithField(const flash::EditTextSpec& spec,
                         const std::vector<std::vector<uint8_t>>& frames, int version = 8) {
  flash::SwfWriter w(version, 200, 200, 12);
  w.DefineEditText(1, spec);
  w.Place(flashtest::NewPlace(1, 1, "field"));
  for (const auto& code : frames) {
    if (!code.empty()) w.DoAction(code);
    w.ShowFrame();
  }
  w.DoAction(flash::ActionBuilder().Stop().Build());
  w.ShowFrame();
  flash::Player player;
  player.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
  for (size_t i = 0; i < frames.size(); ++i) player.Tick();
  return flashtest::Joined(player.trace_log);
}

// Pushes this.createTextField("t", 1, 0, 0, width, height).
void NewField(Script& s, double width, double height) {
  s.Call("this", "createTextField",
         {Script::Str("t"), Script::Num(1), Script::Num(0), Script::Num(0), Script::Num(width),
          Script::Num(height)});
}

flash::EditTextSpec Field(const std::string& text) {
  flash::EditTextSpec spec;
  spec.bounds = {0, 2000, 0, 400};  // 100 by 20 pixels
  spec.text = text;
  return spec;
}

}  // namespace

TEST(ScriptTextField, PlacedFieldIsAnObjectWithItsTagSettings) {
  flash::EditTextSpec spec = Field("hello");
  spec.border = true;
  spec.multiline = true;
  spec.max_length = 20;
  Script s;
  s.TraceMember("field.text");
  s.TraceMember("field.length");
  s.TraceMember("field.border");
  s.TraceMember("field.multiline");
  s.TraceMember("field.maxChars");
  s.TraceMember("field._width");
  s.TraceMember("field._name");
  s.TraceExpr([](Script& s) {
    s.Get("field");
    s.a.Op(0x44);
  });  // typeof
  s.TraceExpr([](Script& s) {
    s.Get("field");
    s.Get("TextField");
    s.a.Op(0x54);
  });  // instanceof
  s.SetMember("field", "text", Script::Str("changed"));
  s.TraceMember("field.text");
  s.SetMember("field", "_x", Script::Num(12.5));
  s.TraceMember("field._x");
  EXPECT_EQ(RunWithField(spec, {s.a.Build()}),
            "hello\n5\ntrue\ntrue\n20\n100\nfield\nobject\ntrue\nchanged\n12.5\n");
}

TEST(ScriptTextField, FieldsOfOlderMoviesAreNotObjects) {
  Script s(5);
  s.TraceExpr([](Script& s) {
    s.Get("field");
    s.a.Op(0x44);
  });
  EXPECT_EQ(RunWithField(Field("x"), {s.a.Build()}, 5), "undefined\n");
}

TEST(ScriptTextField, CreateTextFieldMakesAnEmptyFieldAtTheScriptDepth) {
  Script s;
  s.TraceExpr([](Script& s) {
    s.Call("this", "createTextField",
           {Script::Str("t"), Script::Num(3), Script::Num(10), Script::Num(20), Script::Num(150),
            Script::Num(40)});
    s.a.Op(0x44);
  });
  s.TraceMember("t.text");
  s.TraceMember("t._x");
  s.TraceMember("t._y");
  s.TraceMember("t._width");
  s.TraceMember("t._height");
  s.TraceExpr([](Script& s) { s.Call("t", "getDepth"); });
  s.TraceMember("t.type");
  s.TraceMember("t.autoSize");
  s.SetMember("t", "autoSize", [](Script& s) { s.a.PushBool(true); });
  s.TraceMember("t.autoSize");
  s.SetMember("t", "autoSize", Script::Str("RIght"));
  s.TraceMember("t.autoSize");
  s.SetMember("t", "autoSize", Script::Str("bogus"));
  s.TraceMember("t.autoSize");
  s.TraceMember("t");
  s.SetMember("t", "textColor", Script::Num(0xFF0000));
  s.TraceMember("t.textColor");
  s.Call("t", "removeTextField").Drop();
  s.TraceExpr([](Script& s) {
    s.Get("t");
    s.a.Op(0x44);
  });
  EXPECT_EQ(s.Run(),
            "object\n\n10\n20\n150\n40\n3\ndynamic\nnone\nleft\nright\nnone\n_level0."
            "t\n16711680\nundefined\n");
}

TEST(ScriptTextField, HtmlTextReadsMarkupOnlyInHtmlFields) {
  Script s;
  NewField(s, 100, 20);
  s.Drop();
  s.SetMember("t", "htmlText", Script::Str("<b>bold</b>"));
  s.TraceMember("t.text");
  s.SetMember("t", "html", [](Script& s) { s.a.PushBool(true); });
  s.SetMember("t", "htmlText", Script::Str("<b>bold</b> &amp; plain"));
  s.TraceMember("t.text");
  s.TraceMember("t.length");
  s.TraceExpr([](Script& s) {
    s.Call("t", "getTextFormat", {Script::Num(0)});
    s.a.PushString("bold").Op(0x4E);
  });
  s.TraceExpr([](Script& s) {
    s.Call("t", "getTextFormat", {Script::Num(6)});
    s.a.PushString("bold").Op(0x4E);
  });
  // Over both runs, the members that differ are null and the others kept.
  s.Var("f", [](Script& s) { s.Call("t", "getTextFormat"); });
  s.TraceMember("f.bold");
  s.TraceMember("f.size");
  EXPECT_EQ(s.Run(), "<b>bold</b>\nbold & plain\n12\ntrue\nfalse\nnull\n12\n");
}

TEST(ScriptTextFormat, ConstructorMembersAndRangesOfSetTextFormat) {
  Script s;
  s.Var("f", [](Script& s) {
    s.New("TextFormat", {Script::Str("_sans"), Script::Num(20), Script::Num(0x00FF00)});
  });
  s.TraceMember("f.font");
  s.TraceMember("f.size");
  s.TraceMember("f.color");
  s.TraceMember("f.bold");
  s.TraceMember("f.align");
  NewField(s, 100, 20);
  s.Drop();
  s.SetMember("t", "text", Script::Str("abcdef"));
  s.Var("b", [](Script& s) { s.New("TextFormat"); });
  s.SetMember("b", "bold", [](Script& s) { s.a.PushBool(true); });
  s.Call("t", "setTextFormat", {Script::Num(1), Script::Num(3), Script::VarRef("b")}).Drop();
  for (int i : {0, 1, 2, 3}) {
    s.TraceExpr([i](Script& s) {
      s.Call("t", "getTextFormat", {Script::Num(i)});
      s.a.PushString("bold").Op(0x4E);
    });
  }
  // A range past the end is clamped; a reversed one changes nothing.
  s.Call("t", "setTextFormat", {Script::Num(5), Script::Num(99), Script::VarRef("f")}).Drop();
  s.TraceExpr([](Script& s) {
    s.Call("t", "getTextFormat", {Script::Num(5)});
    s.a.PushString("size").Op(0x4E);
  });
  s.Call("t", "setTextFormat", {Script::Num(3), Script::Num(1), Script::VarRef("f")}).Drop();
  s.TraceExpr([](Script& s) {
    s.Call("t", "getTextFormat", {Script::Num(2)});
    s.a.PushString("size").Op(0x4E);
  });
  // The new-text format applies to text set afterwards.
  s.Call("t", "setNewTextFormat", {Script::VarRef("f")}).Drop();
  s.SetMember("t", "text", Script::Str("xy"));
  s.TraceExpr([](Script& s) {
    s.Call("t", "getTextFormat", {Script::Num(0)});
    s.a.PushString("font").Op(0x4E);
  });
  EXPECT_EQ(s.Run(), "_sans\n20\n65280\nnull\nnull\nfalse\ntrue\ntrue\nfalse\n20\n12\n_sans\n");
}

// Members hold whole numbers cut to 32 bits (the colour read back unsigned). The constructor
// keeps negative margins and gives null for a bad alignment; an assignment keeps margins,
// indents and leading at 0 or more, ignores a bad alignment and clears a member with null.
TEST(ScriptTextFormat, MembersConvertWhatIsGivenAndAssigned) {
  Script s;
  s.Var("f", [](Script& s) {
    s.New("TextFormat", {Script::Str("x"), Script::Num(-10.9), Script::Num(-11), Script::Num(1),
                         Script::Num(0), Script::Num(0), Script::Num(5), Script::Str("_t"),
                         Script::Str("middle"), Script::Num(-3.5), Script::Num(19.9),
                         Script::Num(-2), Script::Num(7.9)});
  });
  for (const char* m : {"f.size", "f.color", "f.bold", "f.italic", "f.url", "f.align",
                        "f.leftMargin", "f.rightMargin", "f.indent", "f.leading", "f.blockIndent"})
    s.TraceMember(m);
  s.SetMember("f", "align", Script::Str("center"));
  s.SetMember("f", "align", Script::Str("middle"));
  s.SetMember("f", "leftMargin", Script::Num(-3));
  s.SetMember("f", "indent", Script::Num(2.9));
  s.SetMember("f", "color", Script::Num(-1));
  s.SetMember("f", "size", Script::Num(4294967297.0));
  s.SetMember("f", "bold", [](Script& s) { s.a.PushNull(); });
  for (const char* m : {"f.align", "f.leftMargin", "f.indent", "f.color", "f.size", "f.bold"})
    s.TraceMember(m);
  // A field takes the colour's low 24 bits.
  NewField(s, 100, 20);
  s.Drop();
  s.SetMember("t", "text", Script::Str("abc"));
  s.Call("t", "setTextFormat", {Script::VarRef("f")}).Drop();
  s.TraceExpr([](Script& s) {
    s.Call("t", "getTextFormat", {Script::Num(1)});
    s.a.PushString("color").Op(0x4E);
  });
  EXPECT_EQ(s.Run(),
            "-10\n4294967285\ntrue\nfalse\n5\nnull\n-3\n19\n-2\n7\nnull\n"
            "center\n0\n2\n4294967295\n1\nnull\n16777215\n");
}

// display takes only its three names, exactly spelt; anything else reads as "block".
TEST(ScriptTextFormat, DisplayKeepsOnlyItsNames) {
  Script s;
  s.Var("f", [](Script& s) { s.New("TextFormat", {}); });
  s.TraceMember("f.display");
  for (const char* v : {"inline", "Inline", "none", ""}) {
    s.SetMember("f", "display", Script::Str(v));
    s.TraceMember("f.display");
  }
  s.SetMember("f", "display", Script::Str("none"));
  s.SetMember("f", "display", Script::Num(1));
  s.TraceMember("f.display");
  EXPECT_EQ(s.Run(), "block\ninline\nblock\nnone\nblock\nblock\n");
}

TEST(ScriptTextFormat, TextExtentGrowsWithTheTextAndSize) {
  Script s;
  s.Var("f", [](Script& s) { s.New("TextFormat", {Script::Str("_sans"), Script::Num(12)}); });
  s.Var("a", [](Script& s) { s.Call("f", "getTextExtent", {Script::Str("abc")}); });
  s.Var("b", [](Script& s) { s.Call("f", "getTextExtent", {Script::Str("abcabc")}); });
  s.SetMember("f", "size", Script::Num(24));
  s.Var("c", [](Script& s) { s.Call("f", "getTextExtent", {Script::Str("abc")}); });
  s.TraceExpr([](Script& s) {
    s.Member("a", "width")(s);
    s.Member("b", "width")(s);
    s.a.Op(0x48);
  });  // a < b
  s.TraceExpr([](Script& s) {
    s.Member("a", "height")(s);
    s.Member("c", "height")(s);
    s.a.Op(0x48);
  });
  s.TraceExpr([](Script& s) {
    s.Member("a", "textFieldWidth")(s);
    s.Member("a", "width")(s);
    s.a.Op(0x0B);  // subtract
  });
  // Wrapped to a width: as wide as that field, and taller than one line.
  s.Var("w", [](Script& s) {
    s.Call("f", "getTextExtent", {Script::Str("abc def ghi jkl mno pqr"), Script::Num(40)});
  });
  s.TraceMember("w.textFieldWidth");
  s.TraceExpr([](Script& s) {
    s.Member("c", "height")(s);
    s.Member("w", "height")(s);
    s.a.Op(0x48);
  });
  EXPECT_EQ(s.Run(), "true\ntrue\n4\n40\ntrue\n");
}

// The measures come back in a bare record: no prototype, so no toString either.
TEST(ScriptTextFormat, TextExtentIsABareRecord) {
  Script s;
  s.Var("f", [](Script& s) { s.New("TextFormat", {Script::Str("_sans"), Script::Num(12)}); });
  s.Var("a", [](Script& s) { s.Call("f", "getTextExtent", {Script::Str("abc")}); });
  s.TraceMember("a");
  s.TraceMember("a.__proto__");
  s.TraceMember("a.toString");
  EXPECT_EQ(s.Run(), "[type Object]\nundefined\nundefined\n");
}

// The measures of a field's text are whole pixels, however wide its glyphs.
TEST(ScriptTextField, TextWidthAndHeightAreWholePixels) {
  Script s;
  for (const char* prop : {"textWidth", "textHeight"}) {
    s.TraceExpr([prop](Script& s) {
      Script::Member("field", prop)(s);
      s.a.PushNumber(1).Op(0x3F);  // the fraction: value modulo 1
    });
    s.TraceExpr([prop](Script& s) {
      Script::Member("field", prop)(s);
      s.a.PushNumber(0).Op(0x67);  // greater than 0
    });
  }
  EXPECT_EQ(RunWithField(Field("A wide line, iii WWW"), {s.a.Build()}), "0\ntrue\n0\ntrue\n");
}

TEST(ScriptTextField, BoundFieldsShowTheirVariable) {
  // A field bound to a variable shows its value when read, and writes its text back to it.
  flash::EditTextSpec spec = Field("initial");
  spec.variable = "score";
  Script s;
  s.Var("score", Script::Num(5));
  s.TraceMember("field.text");
  std::string out = RunWithField(spec, {s.a.Build()});
  EXPECT_EQ(out, "5\n");

  Script later;
  later.Var("score", Script::Num(5));
  Script check;
  check.TraceMember("field.text");
  check.SetMember("field", "text", Script::Str("typed"));
  check.TraceMember("score");
  EXPECT_EQ(RunWithField(spec, {later.a.Build(), check.a.Build()}), "5\ntyped\n");
}

TEST(ScriptTextField, UnsetBoundVariableTakesTheFieldsText) {
  flash::EditTextSpec spec = Field("start");
  spec.variable = "_root.label";
  Script check;
  check.TraceMember("label");
  check.TraceMember("field.variable");
  EXPECT_EQ(RunWithField(spec, {{}, check.a.Build()}), "start\n_root.label\n");
}

TEST(ScriptTextField, ScrollingStaysWithinTheText) {
  Script s;
  NewField(s, 60, 30);
  s.Drop();
  s.SetMember("t", "multiline", [](Script& s) { s.a.PushBool(true); });
  s.SetMember("t", "text", Script::Str("1\r2\r3\r4\r5\r6\r7\r8"));
  s.Var("m", [](Script& s) { s.Member("t", "maxscroll")(s); });
  s.TraceExpr([](Script& s) {
    s.Get("m");
    s.a.PushInt(1).Op(0x67);
  });  // m > 1
  s.SetMember("t", "scroll", Script::Num(1000));
  s.TraceExpr([](Script& s) {
    s.Member("t", "scroll")(s);
    s.Get("m");
    s.a.Op(0x49);
  });  // == maxscroll
  s.SetMember("t", "scroll", Script::Num(-5));
  s.TraceMember("t.scroll");
  s.SetMember("t", "scroll", Script::Str("2"));
  s.TraceMember("t.scroll");
  // Short lines need no horizontal scrolling.
  s.TraceMember("t.maxhscroll");
  s.SetMember("t", "hscroll", Script::Num(50));
  s.TraceMember("t.hscroll");
  EXPECT_EQ(s.Run(), "true\ntrue\n1\n2\n0\n0\n");
}

TEST(ScriptTextField, FieldsAreTheirOwnFirstListener) {
  Script s;
  s.Var("t", [](Script& s) { NewField(s, 60, 30); });
  s.TraceMember("t._listeners.length");
  s.TraceExpr([](Script& s) {
    s.Member("t", "_listeners")(s);
    s.a.PushInt(0).Op(0x4E);
    s.Get("t");
    s.a.Op(0x49);
  });
  s.Var("l", [](Script& s) { s.New("Object"); });
  s.Call("t", "addListener", {Script::VarRef("l")}).Drop();
  s.TraceMember("t._listeners.length");
  EXPECT_EQ(s.Run(), "1\ntrue\n2\n");
}

// Auto size grows the box from the side it names: _x and the bounds follow the box.
TEST(ScriptTextField, AutoSizeMovesTheFieldsPositionAndBounds) {
  Script s;
  s.Call("this", "createTextField",
         {Script::Str("t"), Script::Num(1), Script::Num(50), Script::Num(40), Script::Num(100),
          Script::Num(30)})
      .Drop();
  s.SetMember("t", "autoSize", Script::Str("center"));
  s.TraceMember("t._x");  // an empty field is the two gutters wide and high
  s.TraceMember("t._width");
  s.TraceMember("t._height");
  s.Var("b", [](Script& s) { s.Call("this", "getBounds", {Script::VarRef("this")}); });
  s.TraceMember("b.xMin");
  s.TraceMember("b.yMax");
  s.SetMember("t", "autoSize", Script::Str("right"));
  s.TraceMember("t._x");
  s.SetMember("t", "_x", Script::Num(0));
  s.TraceMember("t._x");
  s.SetMember("t", "autoSize", Script::Str("none"));
  s.TraceMember("t._width");
  EXPECT_EQ(s.Run(), "98\n4\n4\n98\n44\n146\n0\n100\n");
}

// Setting the width of an auto-sized field measures it from where auto size has moved the box,
// not from where the field was made.
TEST(ScriptTextField, WidthOfAnAutoSizedFieldGrowsFromItsMovedBox) {
  Script s;
  s.Call("this", "createTextField",
         {Script::Str("t"), Script::Num(1), Script::Num(-4), Script::Num(0), Script::Num(12),
          Script::Num(13)})
      .Drop();
  s.SetMember("t", "autoSize", Script::Str("right"));
  s.TraceMember("t._x");  // the empty box, 4 wide, keeps its right side at 8
  s.SetMember("t", "_width", Script::Num(19));
  s.TraceMember("t._x");  // 19 wide from 4, then shrunk to 4 keeping its right side at 23
  s.TraceMember("t._width");
  EXPECT_EQ(s.Run(), "4\n19\n4\n");
}

// Fields turn like clips: _rotation reads back what was set (within one turn), and _width and
// _height are the room the turned, scaled box takes in its parent. A copy keeps the turn.
TEST(ScriptTextField, TurnedFieldsTakeTheRoomOfTheirCorners) {
  Script s;
  NewField(s, 12, 13);
  s.Drop();
  s.SetMember("t", "_rotation", Script::Num(365));
  s.TraceMember("t._rotation");
  s.SetMember("t", "_rotation", Script::Num(5));
  s.SetMember("t", "_xscale", Script::Num(200));
  s.SetMember("t", "_yscale", Script::Num(150));
  s.SetMember("t", "_rotation", Script::Str("not a number"));  // leaves the turn
  s.TraceMember("t._width");   // 24 cos 5 + 19.5 sin 5, cut to whole twips
  s.TraceMember("t._height");  // 24 sin 5 + 19.5 cos 5
  s.Get("t");
  s.a.PushString("t2").PushInt(16384 + 5).Op(0x24);  // duplicateMovieClip(t, "t2", 5)
  s.TraceExpr([](Script& s) {
    s.Call("Math", "round", {Script::Member("t2", "_rotation")});
  });
  s.TraceMember("t2._xscale");
  EXPECT_EQ(s.Run(), "5\n25.6\n21.5\n5\n200\n");
}

// A field given the focus has its text selected; without the focus its selection is empty at
// the start, and the text of a focused field may change under a selection that stays.
TEST(ScriptTextField, ReplaceSelFollowsTheFocusedSelection) {
  Script s;
  NewField(s, 100, 20);
  s.Drop();
  s.SetMember("t", "text", Script::Str("test"));
  s.Call("t", "replaceSel", {Script::Str("|")}).Drop();
  s.TraceMember("t.text");
  s.Call("Selection", "setFocus", {Script::VarRef("t")}).Drop();
  s.TraceExpr([](Script& s) { s.Call("Selection", "getBeginIndex"); });
  s.TraceExpr([](Script& s) { s.Call("Selection", "getEndIndex"); });
  s.Call("t", "replaceSel", {Script::Str("|")}).Drop();
  s.TraceMember("t.text");
  s.SetMember("t", "text", Script::Str("text"));
  s.Call("t", "replaceSel", {Script::Str("x")}).Drop();
  s.TraceMember("t.text");
  s.Call("Selection", "setFocus", {[](Script& s) { s.a.PushNull(); }}).Drop();
  s.Call("t", "replaceSel", {Script::Str("y")}).Drop();
  s.TraceMember("t.text");
  EXPECT_EQ(s.Run(), "|test\n0\n5\n|\ntxext\nytxext\n");
}

// duplicateMovieClip copies text fields too, placed where the source is: a field the timeline
// placed comes again from its tag; a field a script made comes as an empty field of no size that
// keeps only whether it takes input.
TEST(ScriptTextField, DuplicatingCopiesFieldsFromWhatMadeThem) {
  Script s;
  NewField(s, 30, 40);
  s.Drop();
  s.SetMember("t", "text", Script::Str("typed"));
  s.SetMember("t", "type", Script::Str("input"));
  s.SetMember("t", "_x", Script::Num(7));
  s.SetMember("t", "_alpha", Script::Num(50));
  s.SetMember("field", "text", Script::Str("changed"));
  s.SetMember("field", "_y", Script::Num(9));
  // duplicateMovieClip(t, "t2", 5); duplicateMovieClip(field, "f2", 6)
  for (auto [from, to, depth] : {std::tuple{"t", "t2", 5}, std::tuple{"field", "f2", 6}}) {
    s.Get(from);
    s.a.PushString(to).PushInt(16384 + depth).Op(0x24);
  }
  for (const char* prop : {"t2.text", "t2._width", "t2._x", "t2._alpha", "t2.type", "f2.text",
                           "f2._y", "f2.type", "t.text"})
    s.TraceMember(prop);
  EXPECT_EQ(RunWithField(Field("hello"), {s.a.Build()}),
            "\n0\n7\n50\ninput\nhello\n9\ninput\ntyped\n");
}
