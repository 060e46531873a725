// XML and XMLNode as scripts use them: tree edits keep a tree, text round trips, hostile input
// stays bounded, and loads complete from the movie's folder on a later tick.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/flash/format/writer.h"
#include "platform/flash/player/player.h"
#include "tests/flash/script_objects_support.h"

using namespace flash;
using flashtest::Script;

TEST(ScriptObjectsXml, DebugName) {
  Script s;
  s.Var("x", [](Script& s) { s.New("XML", {Script::Str("<a><b/></a>")}); });
  s.SetMember("x", "nodeName", Script::Str("doc"));
  s.TraceExpr([](Script& s) { s.Get("x"); });
  EXPECT_EQ(s.Run(), "<doc><a><b /></a></doc>\n");
}
