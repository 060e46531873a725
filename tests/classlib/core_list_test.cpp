#include <gtest/gtest.h>

#include <vector>

#include "platform/classlib/exceptions.h"
#include "platform/classlib/list.h"
#include "platform/classlib/stream.h"
#include "platform/classlib/string_list.h"
#include "platform/classlib/string_utils.h"
#include "tests/support/test_app.h"

using namespace classlib;

namespace {

std::vector<std::string> All(const TStrings& s) {
  std::vector<std::string> v;
  for (int i = 0; i < s.Count(); ++i) v.push_back(s[i]);
  return v;
}

using V = std::vector<std::string>;

}  // namespace

TEST(CoreList, IndexErrorsCarryTheIndex) {
  TList l;
  int a = 1, b = 2, c = 3;
  l.Add(&a);
  l.Add(&b);
  try {
    l.Items(2);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (2)");
  }
  EXPECT_THROW(l.Items(-1), EListError);
  EXPECT_THROW(l.Delete(2), EListError);
  EXPECT_THROW(l.Insert(3, &c), EListError);
  EXPECT_THROW(l.Exchange(0, 5), EListError);
  EXPECT_THROW(l.Move(0, 2), EListError);
  EXPECT_THROW(TList().First(), EListError);
  EXPECT_THROW(l.SetCapacity(1), EListError);
  EXPECT_THROW(l.SetCount(-1), EListError);
  l.Insert(2, &c);  // inserting at Count appends
  EXPECT_EQ(l.Last(), &c);
  EXPECT_EQ(l.Count(), 3);
}

TEST(CoreList, EditingOperationsKeepOrder) {
  int v[5] = {0, 1, 2, 3, 4};
  TList l;
  for (int& x : v) l.Add(&x);
  l.Move(0, 3);  // 1 2 3 0 4
  EXPECT_EQ(l[3], &v[0]);
  EXPECT_EQ(l[0], &v[1]);
  l.Exchange(0, 4);  // 4 2 3 0 1
  EXPECT_EQ(l[0], &v[4]);
  EXPECT_EQ(l.Remove(&v[3]), 2);
  EXPECT_EQ(l.Remove(&v[3]), -1);
  l.SetCount(6);
  EXPECT_EQ(l[5], nullptr);
  l.Pack();
  EXPECT_EQ(l.Count(), 4);
  l.Sort([](void* a, void* b) { return *static_cast<int*>(a) - *static_cast<int*>(b); });
  EXPECT_EQ(l[0], &v[0]);
  EXPECT_EQ(l[3], &v[4]);
  // An inconsistent comparison must not break the list.
  l.Sort([](void*, void*) { return -1; });
  EXPECT_EQ(l.Count(), 4);
}

TEST(CoreStringList, SortedListWithDuplicatesPolicies) {
  TStringList s;
  s.SetSorted(true);
  s.Add("beta");
  s.Add("Alpha");
  s.Add("gamma");
  EXPECT_EQ(All(s), (V{"Alpha", "beta", "gamma"}));
  EXPECT_EQ(s.Add("BETA"), 1);  // dupIgnore: the existing index, nothing added
  EXPECT_EQ(s.Count(), 3);
  EXPECT_EQ(s.IndexOf("GAMMA"), 2);
  int at = -1;
  EXPECT_FALSE(s.Find("b", at));
  EXPECT_EQ(at, 1);
  s.SetDuplicates(TDuplicates::dupError);
  try {
    s.Add("alpha");
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "String list does not allow duplicates");
  }
  s.SetDuplicates(TDuplicates::dupAccept);
  s.Add("ALPHA");
  EXPECT_EQ(s.Count(), 4);
  EXPECT_TRUE(SameText(s[0], "alpha") && SameText(s[1], "alpha"));
  EXPECT_THROW(s.Insert(0, "x"), EStringListError);
  EXPECT_THROW(s.SetStrings(0, "x"), EStringListError);
  // Move on a sorted list raises before removing anything.
  EXPECT_THROW(s.Move(0, 3), EStringListError);
  EXPECT_EQ(s.Count(), 4);
  s.SetCaseSensitive(true);
  EXPECT_EQ(s.IndexOf("alpha"), -1);
  EXPECT_EQ(s.IndexOf("ALPHA"), 0);  // re-sorted by byte order: upper case first
}

TEST(CoreStringList, ObjectsTravelWithTheirStrings) {
  TObject a, b;
  TStringList s;
  s.AddObject("b", &b);
  s.AddObject("a", &a);
  s.SetSorted(true);
  EXPECT_EQ(s.Objects(0), &a);
  EXPECT_EQ(s.Objects(1), &b);
  EXPECT_EQ(s.IndexOfObject(&b), 1);
  TStringList copy;
  copy.Assign(&s);
  EXPECT_EQ(copy.Objects(1), &b);
  EXPECT_FALSE(copy.Sorted());
  s.SetSorted(false);
  s.Move(0, 1);
  EXPECT_EQ(s[1], "a");
  EXPECT_EQ(s.Objects(1), &a);
  EXPECT_THROW(s.Objects(2), EStringListError);
}

TEST(CoreStringList, NameValueLines) {
  TStringList s;
  s.Add("Width=640");
  s.Add("noseparator");
  s.Add("Title=a=b");
  EXPECT_EQ(s.Values("WIDTH"), "640");
  EXPECT_EQ(s.Values("title"), "a=b");
  EXPECT_EQ(s.Values("missing"), "");
  EXPECT_EQ(s.Names(1), "");
  EXPECT_EQ(s.IndexOfName("noseparator"), -1);
  s.SetValues("width", "800");
  EXPECT_EQ(s[0], "width=800");
  s.SetValues("Height", "480");
  EXPECT_EQ(s[3], "Height=480");
  s.SetValues("Title", "");
  EXPECT_EQ(s.IndexOfName("Title"), -1);
  EXPECT_EQ(s.Count(), 3);
}

TEST(CoreStringList, CommaTextQuotesAndRoundTrips) {
  TStringList s;
  s.Add("Arial");
  s.Add("12");
  s.Add("Times New Roman");
  s.Add("a,b");
  s.Add("say \"hi\"");
  s.Add("");
  s.Add("last");
  const std::string text = s.CommaText();
  EXPECT_EQ(text, "Arial,12,\"Times New Roman\",\"a,b\",\"say \"\"hi\"\"\",,last");
  TStringList back;
  back.SetCommaText(text);
  EXPECT_EQ(All(back), All(s));

  TStringList one;
  one.Add("");
  EXPECT_EQ(one.CommaText(), "\"\"");
  back.SetCommaText("\"\"");
  EXPECT_EQ(All(back), V{""});
  back.SetCommaText("");
  EXPECT_EQ(back.Count(), 0);
  // Unquoted blanks separate too; a trailing delimiter adds an empty element.
  back.SetCommaText("  a b , c,");
  EXPECT_EQ(All(back), (V{"a", "b", "c", ""}));
  back.SetCommaText("\"unterminated, text");
  EXPECT_EQ(All(back), V{"unterminated, text"});

  s.SetDelimiter(';');
  s.SetQuoteChar('\'');
  TStringList d;
  d.SetDelimiter(';');
  d.SetQuoteChar('\'');
  d.SetDelimitedText(s.DelimitedText());
  EXPECT_EQ(All(d), All(s));
  EXPECT_EQ(s.CommaText(), text);  // CommaText ignores the list's own delimiter
}

TEST(CoreStringList, TextSplitsEveryLineBreakStyleAndFilesRoundTrip) {
  TStringList s;
  s.SetText("a\r\nb\nc\rd\r\n\r\ne");
  EXPECT_EQ(All(s), (V{"a", "b", "c", "d", "", "e"}));
  s.SetText("one\n");
  EXPECT_EQ(All(s), V{"one"});
  s.SetText("\n");
  EXPECT_EQ(All(s), V{""});

  lumitest::TempDir temp_dir;

  const std::string dir = temp_dir.Path();
  TMemoryStream raw;
  const std::string crlf = "[Task0]\r\nswf=a.swf\r\n\r\nlast";
  raw.WriteBuffer(crlf.data(), static_cast<int64_t>(crlf.size()));
  raw.SaveToFile(dir + "/crlf.ini");
  TStringList f;
  f.LoadFromFile(dir + "/crlf.ini");
  EXPECT_EQ(All(f), (V{"[Task0]", "swf=a.swf", "", "last"}));
  f.SaveToFile(dir + "/lf.ini");
  TMemoryStream saved;
  saved.LoadFromFile(dir + "/lf.ini");
  EXPECT_EQ(
      std::string(reinterpret_cast<const char*>(saved.Memory()), static_cast<size_t>(saved.Size())),
      "[Task0]\nswf=a.swf\n\nlast\n");
  TStringList g;
  g.LoadFromFile(dir + "/lf.ini");
  EXPECT_TRUE(g.Equals(&f));
  EXPECT_THROW(g.LoadFromFile(dir + "/missing.ini"), EFOpenError);

  // Loading from a stream starts at its position.
  saved.SetPosition(8);
  g.LoadFromStream(&saved);
  EXPECT_EQ(g[0], "swf=a.swf");
}

TEST(CoreStringList, ChangeEventsAreHeldBackDuringUpdates) {
  TStringList s;
  int changing = 0, changed = 0;
  s.OnChanging = [&](TObject* sender) {
    EXPECT_EQ(sender, &s);
    ++changing;
  };
  s.OnChange = [&](TObject*) { ++changed; };
  s.Add("a");
  EXPECT_EQ(changing, 1);
  EXPECT_EQ(changed, 1);
  s.BeginUpdate();
  s.BeginUpdate();
  s.Add("b");
  s.Delete(0);
  s.EndUpdate();
  EXPECT_EQ(changed, 1);
  s.EndUpdate();
  EXPECT_EQ(changed, 2);
  s.SetCommaText("x,y,z");  // one bracket around the whole rebuild
  EXPECT_EQ(changed, 3);
  s.EndUpdate();  // unbalanced EndUpdate is harmless
  EXPECT_EQ(s.UpdateCount(), 0);
  s.Add("w");
  EXPECT_EQ(changed, 4);
}

TEST(CoreStringList, AssignAndAddStringsIncludingSelf) {
  TStringList a, b;
  a.SetCommaText("1,2");
  b.SetCommaText("x");
  b.AddStrings(&b);
  EXPECT_EQ(All(b), (V{"x", "x"}));
  b.Assign(&a);
  EXPECT_EQ(All(b), (V{"1", "2"}));
  b.Assign(&b);
  EXPECT_EQ(b.Count(), 2);
  TPersistent other;
  EXPECT_THROW(b.Assign(&other), EConvertError);
}
