// Named resources, window regions, collections, the INI store, the shell-open
// service and the non-anti-aliased font quality.
#include <gtest/gtest.h>

#include <set>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/collection.h"
#include "platform/classlib/form.h"
#include "platform/classlib/ini_store.h"
#include "platform/classlib/resources.h"
#include "platform/classlib/shell_open.h"
#include "platform/classlib/std_controls.h"
#include "platform/classlib/window_region.h"

using namespace classlib;

namespace {

std::vector<uint8_t> TinyBmp() {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(2, 1);
  b.Canvas()->SetPixels(0, 0, clRed);
  b.Canvas()->SetPixels(1, 0, clBlue);
  TMemoryStream s;
  b.SaveToStream(&s);
  return std::vector<uint8_t>(s.Memory(), s.Memory() + s.Size());
}

}  // namespace

TEST(Resources, BitmapsLoadByNameAndMissingNamesRaise) {
  static const std::vector<uint8_t> bytes = TinyBmp();
  RegisterResource("TestTiny", bytes.data(), bytes.size());
  TBitmap b;
  b.LoadFromResourceName("TESTTINY");
  EXPECT_EQ(b.Width(), 2);
  EXPECT_EQ(b.PixelColor(1, 0), clBlue);
  try {
    b.LoadFromResourceName("Missing");
    FAIL();
  } catch (const EResNotFound& e) {
    EXPECT_STREQ(e.what(), "Resource Missing not found");
  }
  TResourceStream s("testtiny");
  EXPECT_EQ(s.Size(), static_cast<int64_t>(bytes.size()));
  EXPECT_THROW(s.Write("x", 1), EWriteError);
  // A cursor resource must be a 32-bit image.
  RegisterCursorResource("TestNotACursor", bytes.data(), bytes.size(), 0, 0);
  EXPECT_THROW(LoadCursorResource(14999, "TestNotACursor"), EInvalidGraphic);
}

TEST(WindowRegion, FormsAndChildrenKeepTheRegionTheyAreGiven) {
  TForm form(nullptr);
  form.SetClientSize(50, 40);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  panel->SetBounds(5, 5, 20, 20);
  TRegion got;
  EXPECT_EQ(GetWindowRgn(&form, got), RGN_ERROR);
  const TRegion shape = CreateEllipticRgn(0, 0, 50, 40);
  EXPECT_TRUE(SetWindowRgn(&form, &shape, true));
  EXPECT_EQ(GetWindowRgn(&form, got), COMPLEXREGION);
  EXPECT_EQ(got, shape);
  const TRegion square = CreateRectRgn(2, 2, 10, 10);
  SetWindowRgn(panel, &square, false);
  EXPECT_EQ(GetWindowRgn(panel, got), SIMPLEREGION);
  EXPECT_EQ(got, square);
  SetWindowRgn(&form, nullptr, true);
  EXPECT_EQ(GetWindowRgn(&form, got), RGN_ERROR);
  EXPECT_FALSE(SetWindowRgn(nullptr, &shape, true));
}

namespace {

class TLoggedCollection : public TCollection {
 public:
  std::vector<std::string> log;

 protected:
  void Update(TCollectionItem* Item) override {
    log.push_back(Item ? "item " + std::to_string(Item->Index()) : "all");
  }
  void ItemMoved(int From, int To) override {
    log.push_back("moved " + std::to_string(From) + ">" + std::to_string(To));
  }
};

}  // namespace

TEST(Collection, ItemsKnowTheirIndexAndChangesAreReported) {
  TLoggedCollection c;
  TCollectionItem* a = c.Add();
  TCollectionItem* b = c.Add();
  TCollectionItem* d = c.Add();
  EXPECT_EQ(c.Count(), 3);
  EXPECT_EQ(b->Index(), 1);
  EXPECT_NE(a->ID(), b->ID());
  c.log.clear();
  a->SetIndex(2);
  EXPECT_EQ(c.Items(0), b);
  EXPECT_EQ(c.Items(2), a);
  EXPECT_EQ(c.log.front(), "moved 0>2");
  c.BeginUpdate();
  c.Delete(0);
  c.log.clear();
  c.EndUpdate();
  EXPECT_EQ(c.log, std::vector<std::string>{"all"});
  EXPECT_EQ(d->Index(), 0);
  EXPECT_EQ(c.FindItemID(a->ID()), a);
  EXPECT_THROW(c.Items(5), EListError);
  delete d;  // an item freed on its own leaves the collection
  EXPECT_EQ(c.Count(), 1);
}

TEST(IniStore, IntegersAndFlagsAsText) {
  TMemIniFile ini;
  ini.WriteInteger("S", "N", -42);
  ini.WriteBool("S", "F", true);
  EXPECT_EQ(ini.ReadString("s", "n", ""), "-42");
  EXPECT_EQ(ini.ReadInteger("S", "N", 0), -42);
  EXPECT_TRUE(ini.ReadBool("S", "F", false));
  ini.WriteString("S", "Bad", "twelve");
  EXPECT_EQ(ini.ReadInteger("S", "Bad", 7), 7);
  EXPECT_EQ(ini.ReadInteger("S", "Absent", 9), 9);
  EXPECT_FALSE(ini.ValueExists("S", "Absent"));
}

TEST(ShellOpen, TheServiceCanBeReplacedAndRestored) {
  std::vector<std::string> seen;
  auto old = SetShellOpenService([&](const std::string& t, const std::string& v, TWinControl*) {
    seen.push_back(v + ":" + t);
    return true;
  });
  EXPECT_TRUE(ShellOpen("/tmp/help.html", ""));
  EXPECT_TRUE(ShellOpen("https://example.org", "print"));
  SetShellOpenService(old);
  EXPECT_EQ(seen, (std::vector<std::string>{"open:/tmp/help.html", "print:https://example.org"}));
}

TEST(FontQuality, NonAntialiasedTextHasOnlyFullPixels) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(60, 24);
  b.Canvas()->Brush()->SetColor(clWhite);
  b.Canvas()->FillRect(Rect(0, 0, 60, 24));
  b.Canvas()->Font()->SetHeight(-16);
  b.Canvas()->Font()->SetColor(clBlack);
  b.Canvas()->Font()->SetQuality(fqNonAntialiased);
  b.Canvas()->Brush()->SetStyle(bsClear);
  b.Canvas()->TextOut(2, 2, "Quality");
  std::set<TColor> colours;
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 60; ++x) colours.insert(b.PixelColor(x, y));
  EXPECT_EQ(colours, (std::set<TColor>{clBlack, clWhite}));
  TFont copy;
  copy.Assign(b.Canvas()->Font());
  EXPECT_EQ(copy.Quality(), fqNonAntialiased);
}
