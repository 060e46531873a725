// LoadVars, Color, Stage, System, SharedObject, ExternalInterface and flash.geom as scripts
// see them, and the load queue's rules for what a movie may read.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "platform/flash/player/script/load_queue.h"
#include "tests/flash/script_objects_support.h"

using flashtest::Script;

TEST(ScriptObjectsLoadQueue, ReadsOnlyFilesBelowTheMovieFolderReference) {
  auto dir = std::filesystem::temp_directory_path() / "lumicast_script_objects_queue";
  std::filesystem::create_directories(dir / "sub");
  std::ofstream(dir / "sub" / "v.txt", std::ios::binary) << "a=1";
  flash::LoadQueue q;
  EXPECT_FALSE(q.Read("sub/v.txt").bytes);  // no movie folder: nothing is read
  q.SetBaseFolder(dir.string());
  ASSERT_TRUE(q.Read("sub/v.txt").bytes.has_value());
  EXPECT_EQ(*q.Read("sub/v.txt?x=1#top").bytes, "a=1");
  EXPECT_FALSE(q.Read("sub/none.txt").bytes);
  EXPECT_FALSE(q.Read("sub").bytes);  // a folder is not a file
  EXPECT_FALSE(q.Read("").bytes);
  for (const char* remote : {"http://host/v.txt", "https://host/v.txt", "ftp://host/v.txt",
                             "file:///etc/hostname", "/etc/hostname"})
    EXPECT_TRUE(flash::LoadQueue::IsRemote(remote)) << remote;
  EXPECT_TRUE(q.Read("http://host/v.txt").remote);
  EXPECT_FALSE(q.Read("http://host/v.txt").bytes);
  EXPECT_FALSE(flash::LoadQueue::IsRemote("sub/v.txt"));
  EXPECT_FALSE(flash::LoadQueue::IsRemote("c:v.txt"));
  std::filesystem::remove_all(dir);
}

TEST(ScriptObjectsLoadVars, DecodeToStringAndLoadIntoAnotherObject) {
  auto dir = std::filesystem::temp_directory_path() / "lumicast_script_objects_vars";
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "v.txt", std::ios::binary) << "name=J%C3%BCrg+en&n=2&empty";
  Script onload;
  onload.a.PushString("ok").Op(0x1C).Trace();
  onload.a.PushString("this").Op(0x1C).PushString("name").Op(0x4E).Trace();
  onload.a.PushString("this").Op(0x1C).PushString("empty").Op(0x4E).Op(0x44).Trace();  // typeof
  Script s;
  s.Var("lv", [](Script& s) { s.New("LoadVars"); });
  s.Call("lv", "decode", {Script::Str("a=1&b=x%20y")}).Drop();
  s.TraceExpr([](Script& s) { s.Call("lv", "toString"); });
  s.Var("target", [](Script& s) { s.New("LoadVars"); });
  s.SetMember("target", "onLoad", [&](Script& s) { s.Function({"ok"}, onload); });
  s.TraceExpr([](Script& s) {
    s.Call("lv", "sendAndLoad", {Script::Str("v.txt"), Script::VarRef("target")});
  });
  // Without a target object nothing is sent.
  s.TraceExpr([](Script& s) { s.Call("lv", "sendAndLoad", {Script::Str("v.txt")}); });
  s.TraceMember("target.loaded");
  s.TraceExpr([](Script& s) { s.Call("target", "getBytesLoaded"); });
  std::string out = s.Run(1, dir.string());
  EXPECT_EQ(out, "b=x%20y&a=1\ntrue\nfalse\nfalse\n0\ntrue\nJ\xC3\xBCrg en\nstring\n");
  std::filesystem::remove_all(dir);
}

TEST(ScriptObjectsColor, TransformsWrapLikeTheClipsOwnSixteenBits) {
  Script s;
  s.Var("c",
        [](Script& s) { s.New("Color", {[](Script& s) { s.a.PushString("_root").Op(0x1C); }}); });
  s.Var("t", [](Script& s) { s.a.PushInt(0).Op(0x43); });  // {}
  s.SetMember("t", "ra", Script::Num(12800));              // 32768 in 8.8 wraps to -32768
  s.SetMember("t", "gb", Script::Num(65546));              // wraps to 10
  s.SetMember("t", "ba", Script::Num(NAN));                // not a number: 0
  s.Call("c", "setTransform", {Script::VarRef("t")}).Drop();
  s.Var("r", [](Script& s) { s.Call("c", "getTransform"); });
  s.TraceMember("r.ra");
  s.TraceMember("r.gb");
  s.TraceMember("r.ba");
  s.TraceMember("r.aa");  // not given: unchanged
  s.Call("c", "setRGB", {Script::Num(0x336699)}).Drop();
  s.TraceExpr([](Script& s) { s.Call("c", "getRGB"); });
  // Without a target every method answers undefined.
  s.Var("none", [](Script& s) { s.New("Color"); });
  s.TraceExpr([](Script& s) { s.Call("none", "getRGB"); });
  EXPECT_EQ(s.Run(), "-12800\n10\n0\n100\n3368601\nundefined\n");
}

TEST(ScriptObjectsGeom, MembersStayAsGivenAndMethodsComputeInNumbers) {
  Script s;
  s.Var("r", [](Script& s) {
    s.NewIn("flash.geom", "Rectangle",
            {Script::Num(1), Script::Num(3), Script::Num(5), Script::Num(7)});
  });
  s.TraceExpr([](Script& s) { s.Get("r"); });
  s.SetMember("r", "right", Script::Num(10));
  s.TraceExpr([](Script& s) { s.Get("r"); });
  s.TraceMember("r.bottomRight");
  s.TraceExpr(
      [](Script& s) { s.Call("r", "contains", {Script::Num(4)}); });  // y missing: undefined
  s.Var("m", [](Script& s) { s.NewIn("flash.geom", "Matrix", {Script::Num(2)}); });
  s.TraceExpr([](Script& s) { s.Get("m"); });
  s.Var("p", [](Script& s) { s.NewIn("flash.geom", "Point", {Script::Num(3), Script::Num(4)}); });
  s.TraceMember("p.length");
  s.Var("ct", [](Script& s) { s.NewIn("flash.geom", "ColorTransform"); });
  s.SetMember("ct", "rgb", Script::Num(0x102030));
  s.TraceExpr([](Script& s) { s.Get("ct"); });
  EXPECT_EQ(
      s.Run(),
      "(x=1, y=3, w=5, h=7)\n(x=1, y=3, w=9, h=7)\n(x=10, y=10)\nundefined\n"
      "(a=2, b=undefined, c=undefined, d=undefined, tx=undefined, ty=undefined)\n5\n"
      "(redMultiplier=0, greenMultiplier=0, blueMultiplier=0, alphaMultiplier=1, redOffset=16, "
      "greenOffset=32, blueOffset=48, alphaOffset=0)\n");
}

TEST(ScriptObjectsEnvironment, StageSystemSharedObjectAndExternalInterface) {
  Script s;
  s.TraceMember("Stage.width");
  s.SetMember("Stage", "scaleMode", Script::Str("NOSCALE"));
  s.TraceMember("Stage.scaleMode");
  s.SetMember("Stage", "scaleMode", Script::Str("bogus"));  // ignored
  s.TraceMember("Stage.scaleMode");
  s.TraceMember("System.capabilities.os");
  // The same name gives the same object for the whole run; data survives until clear().
  s.Var("a", [](Script& s) { s.Call("SharedObject", "getLocal", {Script::Str("prefs")}); });
  s.SetMember("a.data", "score", Script::Num(12));
  s.Var("b", [](Script& s) { s.Call("SharedObject", "getLocal", {Script::Str("prefs")}); });
  s.TraceMember("b.data.score");
  s.TraceExpr([](Script& s) { s.Call("b", "flush"); });
  s.TraceExpr([](Script& s) { s.Call("b", "getSize"); });
  s.Call("b", "clear").Drop();
  s.TraceMember("a.data.score");
  s.TraceExpr([](Script& s) { s.Call("SharedObject", "getLocal", {Script::Str("bad/name?")}); });
  s.TraceMember("flash.external.ExternalInterface.available");
  s.TraceExpr(
      [](Script& s) { s.Call("flash.external.ExternalInterface", "call", {Script::Str("f")}); });
  EXPECT_EQ(s.Run(), "100\nnoScale\nnoScale\nLinux\n12\ntrue\n16\nundefined\nnull\nfalse\nnull\n");
}

// LocalConnection reaches no other movie: connect and send fail, close does nothing.
TEST(ScriptObjectsEnvironment, LocalConnectionConnectsNowhere) {
  Script s;
  s.Var("lc", [](Script& s) { s.New("LocalConnection"); });
  s.TraceExpr([](Script& s) { s.Call("lc", "connect", {Script::Str("channel")}); });
  s.TraceExpr([](Script& s) {
    s.Call("lc", "send", {Script::Str("channel"), Script::Str("method")});
  });
  s.TraceExpr([](Script& s) { s.Call("lc", "close"); });
  s.TraceExpr([](Script& s) { s.Call("lc", "domain"); });
  EXPECT_EQ(s.Run(), "false\nfalse\nundefined\nlocalhost\n");
}

TEST(ScriptObjectsGeom, TransformWritesTheClipAndTakesOnlyItsOwnTypes) {
  auto root = [](Script& s) { s.a.PushString("_root").Op(0x1C); };
  Script s;
  s.Var("t", [&](Script& s) { s.NewIn("flash.geom", "Transform", {root}); });
  s.SetMember("t", "matrix", [](Script& s) {
    s.NewIn("flash.geom", "Matrix",
            {Script::Num(2), Script::Num(0), Script::Num(0), Script::Num(2), Script::Num(30),
             Script::Num(40)});
  });
  s.SetMember("t", "matrix",
              [](Script& s) { s.a.PushInt(0).Op(0x43); });  // a plain object: ignored
  s.TraceMember("_root._x");
  s.TraceMember("_root._xscale");
  s.SetMember("t", "colorTransform",
              [](Script& s) { s.NewIn("flash.geom", "ColorTransform", {Script::Num(0.5)}); });
  s.Var("c", [&](Script& s) { s.New("Color", {root}); });
  s.Var("r", [](Script& s) { s.Call("c", "getTransform"); });
  s.TraceMember("r.ra");
  s.TraceMember("t.concatenatedMatrix.tx");
  EXPECT_EQ(s.Run(), "30\n200\n50\n30\n");
}

TEST(ScriptObjectsEnvironment, DisplayStateChangesReachStageListenersOnce) {
  Script handler;
  handler.a.PushString("full ").PushString("on").Op(0x1C).Op(0x47).Trace();
  Script s;
  s.Var("l", [](Script& s) { s.a.PushInt(0).Op(0x43); });
  s.SetMember("l", "onFullScreen", [&](Script& s) { s.Function({"on"}, handler); });
  s.Call("Stage", "addListener", {Script::VarRef("l")}).Drop();
  s.SetMember("Stage", "displayState", Script::Str("FULLSCREEN"));
  s.SetMember("Stage", "displayState", Script::Str("fullScreen"));  // no change, no call
  s.SetMember("Stage", "displayState", Script::Str("bogus"));       // ignored
  s.TraceMember("Stage.displayState");
  s.Call("Stage", "removeListener", {Script::VarRef("l")}).Drop();
  s.SetMember("Stage", "displayState", Script::Str("normal"));
  s.TraceMember("Stage.displayState");
  EXPECT_EQ(s.Run(), "full true\nfullScreen\nnormal\n");
}

// Data that refers to itself is measured once per object.
TEST(ScriptObjectsEnvironment, SharedObjectSizeOfCyclicDataEnds) {
  Script s;
  s.Var("so", [](Script& s) { s.Call("SharedObject", "getLocal", {Script::Str("cyc")}); });
  s.SetMember("so.data", "me", Script::Member("so", "data"));
  s.SetMember("so.data", "s", Script::Str("abc"));
  s.TraceExpr([](Script& s) { s.Call("so", "getSize"); });
  EXPECT_EQ(s.Run(), "17\n");  // "me": 2 + 2 + 4, "s": 2 + 1 + 3 + 3
}

TEST(ScriptObjectsEnvironment, ExternalInterfaceXmlFormRoundTrips) {
  const std::string ei = "flash.external.ExternalInterface";
  Script s;
  s.Var("o", [](Script& s) { s.a.PushInt(0).Op(0x43); });  // {}
  s.SetMember("o", "n", Script::Num(5));
  s.SetMember("o", "t", Script::Str("a&<b>"));
  s.Var("x", [&](Script& s) { s.Call(ei, "_toXML", {Script::VarRef("o")}); });
  s.TraceMember("x");
  // Parsed back through an XML document: the object and its members come back as they were.
  s.Var("doc", [](Script& s) { s.New("XML", {Script::VarRef("x")}); });
  s.Var("back", [&](Script& s) { s.Call(ei, "_toAS", {Script::Member("doc", "firstChild")}); });
  s.TraceMember("back.n");
  s.TraceMember("back.t");
  // Array elements go by their ids; text is quoted for script code with only its double quotes.
  s.Var("arr", [](Script& s) {
    s.New("XML", {Script::Str("<array><property id=\"1\"><true/></property></array>")});
  });
  s.Var("list", [&](Script& s) { s.Call(ei, "_toAS", {Script::Member("arr", "firstChild")}); });
  s.TraceMember("list.length");
  s.TraceMember("list.1");
  s.TraceExpr([&](Script& s) { s.Call(ei, "_jsQuoteString", {Script::Str("a\\\"b")}); });
  s.TraceExpr([&](Script& s) { s.Call(ei, "_escapeXML", {Script::Str("")}); });
  EXPECT_EQ(s.Run(),
            "<object><property id=\"t\"><string>a&amp;&lt;b&gt;</string></property><property "
            "id=\"n\"><number>5</number></property></object>\n5\na&<b>\n2\ntrue\na\\\\\"b\nnull\n");
}
