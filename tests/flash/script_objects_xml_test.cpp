// XML and XMLNode as scripts use them: edits keep the nodes a tree, text round trips, hostile
// input stays bounded, and loads complete from the movie's folder after the tick's scripts.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/flash/script_objects_support.h"

using flashtest::Script;

namespace {

std::string TempFolder(const std::string& name) {
  auto dir = std::filesystem::temp_directory_path() / ("lumicast_script_objects_" + name);
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir.string();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace

TEST(ScriptObjectsXml, TextRoundTripKeepsAttributeOrderEscapesAndDeclarations) {
  Script s;
  s.Var("x", [](Script& s) {
    s.New("XML", {Script::Str("<?xml version=\"1.0\"?><r b=\"2\" a=\"&lt;1&gt;\">t &amp; "
                              "u<e/><![CDATA[<raw>]]></r>")});
  });
  s.TraceExpr([](Script& s) { s.Get("x"); });
  s.TraceMember("x.firstChild.attributes.a");
  s.TraceMember("x.status");
  // Renaming the document makes it an element around its children; undefined leaves it named.
  s.SetMember("x", "nodeName", Script::Str("doc"));
  s.SetMember("x", "nodeName", [](Script& s) { s.a.PushUndefined(); });
  s.TraceExpr([](Script& s) { s.Get("x"); });
  EXPECT_EQ(
      s.Run(),
      "<?xml version=\"1.0\"?><r b=\"2\" a=\"&lt;1&gt;\">t &amp; u<e />&lt;raw&gt;</r>\n<1>\n0\n"
      "<?xml version=\"1.0\"?><doc><r b=\"2\" a=\"&lt;1&gt;\">t &amp; u<e "
      "/>&lt;raw&gt;</r></doc>\n");
}

TEST(ScriptObjectsXml, EditsMoveNodesAndNeverMakeCycles) {
  Script s;
  s.Var("x", [](Script& s) { s.New("XML", {Script::Str("<a><b/><c/></a>")}); });
  s.Var("a", Script::Member("x", "firstChild"));
  s.Var("kids", Script::Member("a", "childNodes"));
  s.Var("b", Script::Member("a", "firstChild"));
  // Appending a node that is already placed moves it: it appears once.
  s.Call("a", "appendChild", {Script::VarRef("b")}).Drop();
  s.TraceExpr([](Script& s) { s.Get("x"); });
  // The childNodes array a script holds follows the edits.
  s.TraceExpr([](Script& s) { s.Get("kids"); });
  // A node cannot go under itself or under its own descendant.
  s.Call("b", "appendChild", {Script::VarRef("a")}).Drop();
  s.Call("a", "appendChild", {Script::VarRef("a")}).Drop();
  s.TraceExpr([](Script& s) { s.Get("x"); });
  // removeNode detaches; insertBefore puts a free node back in front.
  s.Call("b", "removeNode").Drop();
  s.TraceExpr([](Script& s) { s.Get("x"); });
  s.Call("a", "insertBefore", {Script::VarRef("b"), Script::Member("a", "firstChild")}).Drop();
  s.TraceExpr([](Script& s) { s.Get("x"); });
  s.TraceMember("b.nextSibling.nodeName");
  s.TraceMember("b.parentNode.nodeName");
  EXPECT_EQ(
      s.Run(),
      "<a><c /><b /></a>\n<c />,<b />\n<a><c /><b /></a>\n<a><c /></a>\n<a><b /><c /></a>\nc\na\n");
}

// Siblings stay right while edits shift the nodes around them.
TEST(ScriptObjectsXml, SiblingsFollowInsertionsAndRemovals) {
  Script s;
  s.Var("x", [](Script& s) { s.New("XML", {Script::Str("<r><a/><b/><c/></r>")}); });
  s.Var("r", Script::Member("x", "firstChild"));
  s.Var("a", Script::Member("r", "firstChild"));
  s.Var("b", Script::Member("a", "nextSibling"));
  s.Var("c", Script::Member("r", "lastChild"));
  s.Var("z", [](Script& s) { s.Call("x", "createElement", {Script::Str("z")}); });
  s.Call("r", "insertBefore", {Script::VarRef("z"), Script::VarRef("a")}).Drop();  // z a b c
  s.TraceMember("b.previousSibling.nodeName");
  s.TraceMember("a.previousSibling.nodeName");
  s.Call("a", "removeNode").Drop();  // z b c
  s.TraceMember("b.previousSibling.nodeName");
  s.TraceMember("c.nextSibling");
  s.Call("r", "appendChild", {Script::VarRef("a")}).Drop();  // z b c a
  s.TraceMember("c.nextSibling.nodeName");
  s.TraceMember("z.nextSibling.nextSibling.nextSibling.nodeName");
  s.TraceMember("a.nextSibling");
  s.TraceMember("z.previousSibling");
  EXPECT_EQ(s.Run(), "a\nz\nz\nnull\na\na\nnull\nnull\n");
}

TEST(ScriptObjectsXml, CloneCopiesAttributesAndOptionallyChildren) {
  Script s;
  s.Var("x", [](Script& s) { s.New("XML", {Script::Str("<a k=\"v\" j=\"w\"><b>t</b></a>")}); });
  s.TraceExpr([](Script& s) { s.Call("x.firstChild", "cloneNode", {Script::Num(0)}); });
  s.Var("deep", [](Script& s) { s.Call("x.firstChild", "cloneNode", {Script::Num(1)}); });
  s.TraceExpr([](Script& s) { s.Get("deep"); });
  s.TraceMember("deep.parentNode");
  // The copy is independent of the original.
  s.SetMember("deep.attributes", "k", Script::Str("changed"));
  s.TraceMember("x.firstChild.attributes.k");
  EXPECT_EQ(s.Run(), "<a k=\"v\" j=\"w\" />\n<a k=\"v\" j=\"w\"><b>t</b></a>\nnull\nv\n");
}

// Hostile trees: deep parsed nesting stops with a status; a very deep tree built by script
// prints, clones and is collected without exhausting the stack.
TEST(ScriptObjectsXml, DeepTreesStayBounded) {
  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += "<a>";  // far past the nesting limit
  Script s;
  s.Var("x", [&](Script& s) { s.New("XML", {Script::Str(deep)}); });
  s.TraceMember("x.status");
  s.Var("root", [](Script& s) { s.New("XMLNode", {Script::Num(1), Script::Str("n")}); });
  s.Var("n", Script::VarRef("root"));
  s.Loop("i", 30000, [](Script& s) {
    s.Var("m", [](Script& s) { s.New("XMLNode", {Script::Num(1), Script::Str("n")}); });
    s.Call("n", "appendChild", {Script::VarRef("m")}).Drop();
    s.Var("n", Script::VarRef("m"));
  });
  s.TraceExpr([](Script& s) {
    s.Call("root", "toString");
    s.a.PushString("length").Op(0x4E);
  });
  s.TraceExpr([](Script& s) {
    s.Call("root", "cloneNode", {Script::Num(1)});
    s.a.PushString("lastChild").Op(0x4E).PushString("nodeName").Op(0x4E);
  });
  std::string out = s.Run();
  EXPECT_EQ(out, "-7\n" + std::to_string(30000 * 7 + 5) + "\nn\n");
  s.player.CollectGarbage();
}

TEST(ScriptObjectsXml, LoadsCompleteAfterTheTickScriptsFromTheMovieFolder) {
  std::string dir = TempFolder("xml_load");
  WriteFile(dir + "/data.xml", "\xEF\xBB\xBF<d v=\"1\">h\xC3\xA9</d>");
  Script onload;
  onload.a.PushString("loaded ").PushString("ok").Op(0x1C).Op(0x47).Trace();
  onload.a.PushString("this").Op(0x1C).Trace();
  Script s;
  for (const char* name : {"x", "missing", "remote"}) {
    s.Var(name, [](Script& s) { s.New("XML"); });
    s.SetMember(name, "onLoad", [&](Script& s) { s.Function({"ok"}, onload); });
  }
  Script on_status;
  on_status.a.PushString("status ").PushString("code").Op(0x1C).Op(0x47).Trace();
  s.SetMember("remote", "onHTTPStatus", [&](Script& s) { s.Function({"code"}, on_status); });
  s.TraceExpr([](Script& s) { s.Call("x", "load", {Script::Str("data.xml?cache=1")}); });
  s.Call("missing", "load", {Script::Str("nothing.xml")}).Drop();
  s.Call("remote", "load", {Script::Str("http://example.com/data.xml")}).Drop();
  s.TraceMember("x.loaded");
  s.a.PushString("end of frame").Trace();
  std::string out = s.Run(1, dir);
  EXPECT_EQ(out,
            "true\nfalse\nend of frame\nloaded true\n<d v=\"1\">h\xC3\xA9</d>\nloaded "
            "false\n\nstatus 0\nloaded false\n\n");
  std::filesystem::remove_all(dir);
}

// A handler that loads again is called again in the same pass, up to the tick's count of
// completions (sixteen), and a load still waiting when its movie goes is dropped.
TEST(ScriptObjectsXml, ReloadFromTheHandlerCompletesWithinTheTicksCountAndEndsWithTheMovie) {
  std::string dir = TempFolder("xml_reload");
  WriteFile(dir + "/a.xml", "<a/>");
  Script onload;
  onload.a.PushString("loaded").Trace();
  onload.a.PushString("a.xml")
      .PushInt(1)
      .PushString("this")
      .Op(0x1C)
      .PushString("load")
      .Op(0x52)
      .Op(0x17);
  Script s;
  s.Var("x", [](Script& s) { s.New("XML"); });
  s.SetMember("x", "onLoad", [&](Script& s) { s.Function({"ok"}, onload); });
  s.Call("x", "load", {Script::Str("a.xml")}).Drop();
  std::string three_ticks;
  for (int i = 0; i < 3 * 16; ++i) three_ticks += "loaded\n";
  EXPECT_EQ(s.Run(3, dir), three_ticks);
  // The last handler's load waits for the next tick; loading the movie again drops it.
  EXPECT_FALSE(s.player.loads.Empty());
  s.player.LoadFile(0, dir + "/movie.swf");
  EXPECT_TRUE(s.player.loads.Empty());
  std::filesystem::remove_all(dir);
}

// Parent and child nodes point at each other; documents nothing reaches are still freed.
TEST(ScriptObjectsXml, UnreachedDocumentsAreCollected) {
  Script s;
  s.Loop("i", 2000, [](Script& s) {
    s.Var("x", [](Script& s) { s.New("XML", {Script::Str("<a id=\"k\"><b>t</b><c/></a>")}); });
    s.Var("kids", Script::Member("x.firstChild", "childNodes"));
  });
  s.Run();
  s.player.CollectGarbage();
  size_t after_one = s.player.ScriptObjectCount();
  s.player.Tick();
  s.player.CollectGarbage();
  EXPECT_LT(after_one, 2000u);  // 2000 documents of a dozen objects each were made
  EXPECT_EQ(s.player.ScriptObjectCount(), after_one);
}

// A document of half a million elements keeps the first 200000 and reports running out of memory.
TEST(ScriptObjectsXml, HugeDocumentsStopAtTheNodeLimit) {
  Script s;
  s.Var("t", Script::Str("<a/>"));
  s.Loop("i", 17, [](Script& s) {
    s.a.PushString("t");
    s.Get("t");
    s.Get("t");
    s.a.Op(0x47).Op(0x1D);
  });
  s.Var("t", [](Script& s) {
    s.Get("t");
    s.Get("t");
    s.Get("t");
    s.Get("t");
    s.a.Op(0x47).Op(0x47).Op(0x47);
  });
  s.Var("x", [](Script& s) { s.New("XML", {Script::VarRef("t")}); });
  s.TraceMember("x.childNodes.length");
  s.TraceMember("x.status");
  s.TraceMember("x.lastChild.nodeName");
  EXPECT_EQ(s.Run(), "200000\n-7\na\n");
}

// Twenty loads asked for together complete sixteen in the first tick and the rest in the next.
TEST(ScriptObjectsXml, ManyLoadsSpreadOverTicks) {
  std::string dir = TempFolder("xml_many");
  WriteFile(dir + "/a.xml", "<a/>");
  Script onload;
  onload.a.PushString("loaded").Trace();
  Script s;
  s.Loop("i", 20, [&](Script& s) {
    s.Var("x", [](Script& s) { s.New("XML"); });
    s.SetMember("x", "onLoad", [&](Script& s) { s.Function({"ok"}, onload); });
    s.Call("x", "load", {Script::Str("a.xml")}).Drop();
  });
  s.Run(1, dir);
  EXPECT_EQ(s.player.trace_log.size(), 16u);
  s.player.Tick();
  EXPECT_EQ(s.player.trace_log.size(), 20u);
  std::filesystem::remove_all(dir);
}
