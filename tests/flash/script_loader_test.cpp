// Loads into clips and levels: loadMovie, loadVariables and MovieClipLoader, with movies and
// variable files written next to the loading movie.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/flash/stage_painter.h"
#include "tests/flash/script_asm.h"

using namespace scripttest;
using flash::ActionBuilder;

namespace {

namespace fs = std::filesystem;

constexpr uint8_t kSetMember = 0x4F, kAdd2 = 0x47, kDefineLocal = 0x3C, kPop = 0x17,
                  kGetUrl2 = 0x9A;

class ScriptLoads : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("lumicast-loads-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  void Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream out(dir_ / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }
  void WriteText(const std::string& name, const std::string& text) {
    Write(name, std::vector<uint8_t>(text.begin(), text.end()));
  }
  // Writes a one-frame movie running `code` as `name`.
  void WriteMovie(const std::string& name, const ActionBuilder& code, int version = 8) {
    flash::SwfWriter w(version, 100, 100, 12);
    w.DoAction(code.Build());
    w.ShowFrame();
    Write(name, w.Finish(false));
  }
  // Plays test.swf for `ticks` ticks; the trace output.
  std::string Play(int ticks) {
    flash::Player p;
    p.LoadFile(0, (dir_ / "test.swf").string());
    for (int i = 0; i < ticks; ++i) p.Tick();
    return flashtest::Joined(p.trace_log);
  }
  fs::path dir_;
};

// obj.name = function (params) { body }
void SetMethod(ActionBuilder& a, const std::string& object, const std::string& name,
               const std::vector<std::string>& params, const ActionBuilder& body) {
  Get(a, object).PushString(name);
  Function(a, "", params, body).Op(kSetMember);
}

// trace(prefix + name)
ActionBuilder TraceWith(const std::string& prefix, const std::string& name) {
  ActionBuilder b;
  b.PushString(prefix);
  Get(b, name).Op(kAdd2).Trace();
  return b;
}

// var name = createEmptyMovieClip(name, depth)
void EmptyClip(ActionBuilder& a, const std::string& name, int depth) {
  a.PushString(name).PushInt(depth).PushString(name);
  CallFunction(a, "createEmptyMovieClip", 2).Op(kDefineLocal);
}

// Loads child.swf into a new clip mc with a MovieClipLoader whose onLoadInit(t) runs `init`.
void LoadChildWithInit(ActionBuilder& a, const ActionBuilder& init) {
  EmptyClip(a, "mc", 1);
  New(a, "MovieClipLoader", 0);
  a.PushString("l").Op(0x4D).Op(kDefineLocal);
  SetMethod(a, "l", "onLoadInit", {"t"}, init);
  Get(a, "mc").PushString("child.swf");
  CallMethod(a, "l", "loadClip", 2).Op(kPop);
}

// GetURL2 with the given flags: url and target are on the stack.
ActionBuilder& GetUrl2(ActionBuilder& a, uint8_t flags) { return a.OpWithData(kGetUrl2, {flags}); }

}  // namespace

TEST_F(ScriptLoads, LoaderEventsComeInOrderAroundTheFirstFrameOfTheLoadedMovie) {
  ActionBuilder child;
  child.PushString("v").PushString("from child").Op(0x1D);
  child.PushString("child frame 1").Trace();
  WriteMovie("child.swf", child);
  WriteText("notamovie.txt", "plain text");

  ActionBuilder a;
  EmptyClip(a, "mc", 1);
  EmptyClip(a, "other", 2);
  Get(a, "mc").PushString("v").PushString("before").Op(kSetMember);
  New(a, "MovieClipLoader", 0);
  a.PushString("l").Op(0x4D).Op(kDefineLocal);
  SetMethod(a, "l", "onLoadStart", {"t"}, TraceWith("start ", "t"));
  // The clip's old variables are gone by the time the load starts.
  ActionBuilder complete = TraceWith("complete ", "t");
  complete.PushString("old variable: ");
  Member(complete, "t", "v").Op(kAdd2).Trace();
  SetMethod(a, "l", "onLoadComplete", {"t"}, complete);
  ActionBuilder init = TraceWith("init ", "t");
  init.PushString("child variable: ");
  Member(init, "t", "v").Op(kAdd2).Trace();
  SetMethod(a, "l", "onLoadInit", {"t"}, init);
  ActionBuilder error;
  error.PushString("error ");
  Get(error, "t").Op(kAdd2).PushString(" ").Op(kAdd2);
  Get(error, "code").Op(kAdd2).Trace();
  SetMethod(a, "l", "onLoadError", {"t", "code"}, error);
  Get(a, "mc").PushString("child.swf");
  CallMethod(a, "l", "loadClip", 2).Trace();
  Get(a, "other").PushString("missing.swf");
  CallMethod(a, "l", "loadClip", 2).Trace();
  // Targets that name no clip are refused at once.
  a.PushString("nowhere").PushString("child.swf");
  CallMethod(a, "l", "loadClip", 2).Trace();
  a.PushInt(0).Op(0x43).PushString("child.swf");
  CallMethod(a, "l", "loadClip", 2).Trace();
  WriteMovie("test.swf", a);

  EXPECT_EQ(Play(2),
            "true\ntrue\nfalse\nfalse\n"
            "start _level0.mc\ncomplete _level0.mc\nold variable: undefined\n"
            "error _level0.other URLNotFound\n"
            "child frame 1\n"
            "init _level0.mc\nchild variable: from child\n");
}

TEST_F(ScriptLoads, LoadMovieReplacesAClipAndAFileThatIsNoMovieLeavesItEmpty) {
  ActionBuilder child;
  child.PushString("child in ");
  Get(child, "this").Op(kAdd2).Trace();
  WriteMovie("child.swf", child, 6);
  WriteText("notamovie.txt", "plain text");

  ActionBuilder a;
  EmptyClip(a, "mc", 1);
  EmptyClip(a, "empty", 2);
  a.PushString("child.swf").PushString("mc");
  GetUrl2(a, 0x40);
  Get(a, "empty").PushString("x").PushInt(1).Op(kSetMember);
  a.PushString("notamovie.txt");
  CallMethod(a, "empty", "loadMovie", 1).Op(kPop);
  a.PushString("asked");
  a.Trace();
  WriteMovie("test.swf", a);
  flash::Player p;
  p.LoadFile(0, (dir_ / "test.swf").string());
  p.Tick();
  p.Tick();
  EXPECT_EQ(flashtest::Joined(p.trace_log), "asked\nchild in _level0.mc\n");
  const flash::MovieClip* root = p.LevelRoot(0);
  ASSERT_EQ(root->children.size(), 2u);
  auto* mc = static_cast<const flash::MovieClip*>(root->children.begin()->second.get());
  EXPECT_EQ(mc->name, "mc");
  EXPECT_EQ(mc->movie->header.version, 6);
  auto* empty =
      static_cast<const flash::MovieClip*>(std::next(root->children.begin())->second.get());
  EXPECT_EQ(empty->name, "empty");
  EXPECT_EQ(empty->TotalFrames(), 0);
}

TEST_F(ScriptLoads, LoadVariablesFillsTheClipOrLevelAndCallsOnData) {
  WriteText("vars.txt", "a=1&b=two%20words&c=x+y");
  ActionBuilder a;
  EmptyClip(a, "mc", 1);
  ActionBuilder on_data;
  on_data.PushString("data ");
  Member(on_data, "this", "a").Op(kAdd2).PushString(",").Op(kAdd2);
  Member(on_data, "this", "b").Op(kAdd2).PushString(",").Op(kAdd2);
  Member(on_data, "this", "c").Op(kAdd2).Trace();
  SetMethod(a, "mc", "onData", {}, on_data);
  a.PushString("vars.txt").PushString("mc");
  GetUrl2(a, 0xC0);  // loadVariables("vars.txt", "mc")
  a.PushString("vars.txt").PushString("_level0");
  GetUrl2(a, 0x80);  // loadVariablesNum("vars.txt", 0)
  // Nothing has arrived while the script runs.
  Get(a, "b").Trace();
  WriteMovie("test.swf", a);
  flash::Player p;
  p.LoadFile(0, (dir_ / "test.swf").string());
  p.Tick();
  ASSERT_EQ(flashtest::Joined(p.trace_log), "undefined\ndata 1,two words,x y\n");
  // The level kept its movie and got the variables.
  ASSERT_NE(p.LevelRoot(0), nullptr);
  EXPECT_EQ(p.LevelRoot(0)->TotalFrames(), 1);
  const flash::Property* b = p.LevelRoot(0)->object->Find(p.ScriptHeap().Key("b"));
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->value.string, "two words");
}

TEST_F(ScriptLoads, LoadsFromTheNetworkOrAbsolutePathsFail) {
  ActionBuilder a;
  EmptyClip(a, "mc", 1);
  New(a, "MovieClipLoader", 0);
  a.PushString("l").Op(0x4D).Op(kDefineLocal);
  ActionBuilder error;
  error.PushString("error ");
  Get(error, "code").Op(kAdd2).Trace();
  SetMethod(a, "l", "onLoadError", {"t", "code"}, error);
  for (const char* url : {"http://example.com/a.swf", "/etc/passwd", "missing.swf"}) {
    Get(a, "mc").PushString(url);
    CallMethod(a, "l", "loadClip", 2).Op(kPop);
  }
  WriteMovie("test.swf", a);
  EXPECT_EQ(Play(2), "error URLNotFound\nerror URLNotFound\nerror URLNotFound\n");
}

// A clip a load into failed reports the address asked for as its _url; a clip never loaded into
// keeps its movie's.
TEST_F(ScriptLoads, AFailedLoadLeavesItsAddressAsTheClipsUrl) {
  ActionBuilder a;
  EmptyClip(a, "mc", 1);
  EmptyClip(a, "other", 2);
  New(a, "MovieClipLoader", 0);
  a.PushString("l").Op(0x4D).Op(kDefineLocal);
  ActionBuilder error;
  Member(error, "mc", "_url").Trace();
  Member(error, "other", "_url").Trace();
  SetMethod(a, "l", "onLoadError", {"t", "code"}, error);
  Member(a, "mc", "_url").Trace();
  Get(a, "mc").PushString("missing.swf");
  CallMethod(a, "l", "loadClip", 2).Op(kPop);
  WriteMovie("test.swf", a);
  EXPECT_EQ(Play(2), "file:///test.swf\nfile:///missing.swf\nfile:///test.swf\n");
}

// A picture loaded into a clip shows at its pixel size from the clip's origin, unsmoothed, its
// transparent pixels letting the stage through; it is drawn from the picture's own dictionary
// (the loading movie's has no bitmap under that id). A damaged picture leaves the clip empty.
TEST_F(ScriptLoads, PicturesLoadIntoClipsAndShowAtTheirPixelSize) {
  QImage picture(4, 3, QImage::Format_ARGB32);
  picture.fill(qRgba(0, 0, 0, 0));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 2; ++x) picture.setPixel(x, y, qRgba(255, 0, 0, 255));
  picture.setPixel(3, 2, qRgba(0, 0, 255, 255));
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(picture.save(&buffer, "PNG"));
  Write("dots.png", std::vector<uint8_t>(png.begin(), png.end()));
  std::vector<uint8_t> damaged(png.begin(), png.begin() + 20);
  Write("damaged.png", damaged);

  ActionBuilder a;
  EmptyClip(a, "mc", 1);
  EmptyClip(a, "bad", 2);
  New(a, "MovieClipLoader", 0);
  a.PushString("l").Op(0x4D).Op(kDefineLocal);
  Get(a, "mc").PushString("dots.png");
  CallMethod(a, "l", "loadClip", 2).Op(kPop);
  Get(a, "bad").PushString("damaged.png");
  CallMethod(a, "l", "loadClip", 2).Op(kPop);
  Get(a, "mc").PushString("_x").PushInt(10).Op(kSetMember);
  Get(a, "mc").PushString("_y").PushInt(20).Op(kSetMember);
  WriteMovie("test.swf", a);

  flash::Player p;
  p.LoadFile(0, (dir_ / "test.swf").string());
  p.Tick();
  p.Tick();
  std::vector<uint8_t> px(100 * 100 * 4);
  flash::PaintStage(p, {px.data(), 100, 100, 100 * 4}, {255, 255, 255, 255});
  auto at = [&](int x, int y) {
    const uint8_t* q = &px[(static_cast<size_t>(y) * 100 + x) * 4];
    return std::vector<int>{q[2], q[1], q[0]};
  };
  const std::vector<int> red{255, 0, 0}, blue{0, 0, 255}, white{255, 255, 255};
  for (int y = 20; y < 23; ++y) {
    EXPECT_EQ(at(10, y), red) << y;
    EXPECT_EQ(at(11, y), red) << y;
    EXPECT_EQ(at(12, y), white) << y;
  }
  EXPECT_EQ(at(13, 22), blue);
  EXPECT_EQ(at(13, 21), white);
  EXPECT_EQ(at(14, 22), white);
  EXPECT_EQ(at(9, 20), white);
  EXPECT_EQ(at(10, 19), white);
  EXPECT_EQ(at(10, 23), white);
  const flash::MovieClip* root = p.LevelRoot(0);
  ASSERT_EQ(root->children.size(), 2u);
  auto* bad = static_cast<const flash::MovieClip*>(std::next(root->children.begin())->second.get());
  EXPECT_EQ(bad->name, "bad");
  EXPECT_TRUE(bad->children.empty());
}

// Movies of version 6 and before see their own built-ins, movies from version 7 on theirs: a
// separate _global, Object and MovieClip.prototype, and classes registered in one set only.
TEST_F(ScriptLoads, MoviesBeforeAndFromVersionSevenHaveSeparateBuiltIns) {
  ActionBuilder child;
  Get(child, "_parent").PushString("g6");
  Get(child, "_global").Op(kSetMember);
  Get(child, "_parent").PushString("o6").PushInt(0).Op(0x43).Op(kSetMember);
  Get(child, "_parent").PushString("mc6");
  Get(child, "this").Op(kSetMember);
  WriteMovie("child.swf", child, 6);

  ActionBuilder init;
  Get(init, "g6");
  Get(init, "_global").Op(0x66).Trace();                       // false
  Get(init, "o6");
  Get(init, "Object").Op(0x54).Trace();                        // false
  Get(init, "o6");
  Member(init, "g6", "Object").Op(0x54).Trace();               // true
  Member(init, "mc6", "__proto__");
  Member(init, "MovieClip", "prototype").Op(0x66).Trace();     // false
  Member(init, "g6", "MovieClip").PushString("prototype").Op(0x4E);
  Member(init, "mc6", "__proto__").Op(0x66).Trace();           // true
  CallMethod(init, "mc6", "getSWFVersion", 0).Trace();         // 6
  ActionBuilder a;
  LoadChildWithInit(a, init);
  WriteMovie("test.swf", a);
  EXPECT_EQ(Play(3), "false\nfalse\ntrue\nfalse\ntrue\n6\n");
}

// _url names a movie's file below the folder of the movie in level 0; a network address stays
// as it is.
TEST_F(ScriptLoads, UrlsNameFilesBelowTheFolderOfLevelZero) {
  WriteMovie("child.swf", ActionBuilder());
  ActionBuilder init;
  Member(init, "t", "_url").Trace();
  ActionBuilder a;
  Get(a, "_url").Trace();
  LoadChildWithInit(a, init);
  WriteMovie("test.swf", a);
  EXPECT_EQ(Play(3), "file:///test.swf\nfile:///child.swf\n");
}

namespace {

// An ImportAssets2 body (ImportAssets without the two reserved bytes).
std::vector<uint8_t> ImportBody(const std::string& url, uint16_t id, const std::string& name,
                                bool second_form = true) {
  std::vector<uint8_t> d;
  PutString(d, url);
  if (second_form) d.insert(d.end(), {1, 0});
  PutU16(d, 1);
  PutU16(d, id);
  PutString(d, name);
  return d;
}

// Writes assets.swf: sprite 1 (its frame traces "asset frame") exported as "thing", with an
// init action tracing "assets init " + this, and one more for a sprite nobody imports.
void WriteAssets(const std::function<void(const std::string&, const std::vector<uint8_t>&)>& write,
                 const std::string& name) {
  flash::TimelineWriter sprite;
  sprite.DoAction(ActionBuilder().PushString("asset frame").Trace().Build());
  sprite.ShowFrame();
  flash::SwfWriter w(8, 100, 100, 12);
  w.DefineSprite(1, sprite);
  w.DefineSprite(2, flash::TimelineWriter());
  std::vector<uint8_t> exports;
  PutU16(exports, 1);
  PutU16(exports, 1);
  PutString(exports, "thing");
  w.Tag(flash::kTagExportAssets, exports);
  ActionBuilder init;
  init.PushString("assets init ");
  Get(init, "this").Op(kAdd2).Trace();
  w.DoInitAction(1, init.Build());
  w.DoInitAction(2, ActionBuilder().PushString("other init").Trace().Build());
  w.ShowFrame();
  write(name, w.Finish(false));
}

}  // namespace

// A movie imports symbols another file exports, by a name relative to its own place: the
// symbol is placed under the importing movie's id, and every init action of the other file runs
// on the importing timeline, after the importer's own.
TEST_F(ScriptLoads, ImportedSymbolsArePlacedAndTheirFileInitActionsRun) {
  fs::create_directories(dir_ / "sub");
  auto write = [this](const std::string& n, const std::vector<uint8_t>& b) { Write(n, b); };
  WriteAssets(write, "sub/assets.swf");
  for (bool second_form : {true, false}) {
    flash::SwfWriter w(8, 100, 100, 12);
    w.DefineSprite(1, flash::TimelineWriter());
    w.DoInitAction(1, ActionBuilder().PushString("own init").Trace().Build());
    w.Tag(second_form ? flash::kTagImportAssets2 : flash::kTagImportAssets,
          ImportBody("sub/assets.swf", 7, "THING", second_form));
    w.Place(flashtest::NewPlace(1, 7, "imp"));
    ActionBuilder a;
    Member(a, "imp", "_target").Trace();
    w.DoAction(a.Build());
    w.ShowFrame();
    Write("test.swf", w.Finish(false));
    EXPECT_EQ(Play(1),
              "own init\nassets init _level0\nother init\nasset frame\n/imp\n");
  }
}

TEST_F(ScriptLoads, AMissingOrBrokenImportFileImportsNothing) {
  Write("broken.swf", {'F', 'W', 'S', 8, 200, 0, 0, 0, 1, 2});
  for (const char* url : {"missing.swf", "broken.swf", "http://example.invalid/a.swf"}) {
    SCOPED_TRACE(url);
    flash::SwfWriter w(8, 100, 100, 12);
    w.Tag(flash::kTagImportAssets2, ImportBody(url, 7, "thing"));
    w.Place(flashtest::NewPlace(1, 7, "imp"));
    ActionBuilder a;
    Get(a, "imp").Op(0x44).Trace();  // typeof
    a.PushString("still playing").Trace();
    w.DoAction(a.Build());
    w.ShowFrame();
    Write("test.swf", w.Finish(false));
    EXPECT_EQ(Play(2), "undefined\nstill playing\n");
  }
}

TEST(ImportAssetsTag, EveryCountAndNameIsCheckedAgainstTheTag) {
  std::vector<uint8_t> good = ImportBody("a.swf", 3, "x");
  flash::ImportAssetsTag t = flash::ParseImportAssets(flash::kTagImportAssets2, good.data(), good.size());
  EXPECT_EQ(t.url, "a.swf");
  ASSERT_EQ(t.symbols.size(), 1u);
  EXPECT_EQ(t.symbols[0].id, 3);
  EXPECT_EQ(t.symbols[0].name, "x");
  // Cut anywhere, the tag is refused rather than read past its end.
  for (size_t n = 0; n < good.size(); ++n)
    EXPECT_THROW(flash::ParseImportAssets(flash::kTagImportAssets2, good.data(), n),
                 flash::FormatError)
        << n;
  // A count far beyond what the bytes can hold.
  std::vector<uint8_t> forged;
  PutString(forged, "a.swf");
  PutU16(forged, 60000);
  PutU16(forged, 1);
  PutString(forged, "x");
  EXPECT_THROW(flash::ParseImportAssets(flash::kTagImportAssets, forged.data(), forged.size()),
               flash::FormatError);
}
