// The icon list: its streamed "Icons" property, change notifications, the
// store rule, resources and the icon clipboard format.
#include <gtest/gtest.h>

#include "imaging/icon_list.h"
#include "platform/classlib/clipboard.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/little_endian.h"
#include "platform/classlib/picture.h"
#include "platform/classlib/resources.h"
#include "tests/imaging/ico_writer.h"

using namespace lumicast;
using namespace classlib;

namespace {

std::unique_ptr<TIcon> IconOf(const std::vector<uint8_t>& Bytes) {
  TMemoryStream ms;
  ms.Write(Bytes.data(), static_cast<int64_t>(Bytes.size()));
  ms.SetPosition(0);
  auto icon = std::make_unique<TIcon>();
  icon->LoadFromStream(&ms);
  return icon;
}

std::vector<uint8_t> Streamed(const TIconList& List) {
  TMemoryStream ms;
  List.WriteData(&ms);
  return ms.Bytes();
}

void ReadInto(TIconList& List, const std::vector<uint8_t>& Bytes) {
  TMemoryStream ms;
  if (!Bytes.empty()) ms.Write(Bytes.data(), static_cast<int64_t>(Bytes.size()));
  ms.SetPosition(0);
  List.ReadData(&ms);
}

struct Counts {
  int changing = 0, changed = 0;
};

void Watch(TIconList& List, Counts& C) {
  List.OnChanging = [&C](TObject*) { ++C.changing; };
  List.OnChange = [&C](TObject*) { ++C.changed; };
}

}  // namespace

TEST(IconList, StreamsEntriesWithEmptyOnesAsSizeZeroAndReadsThemBack) {
  const auto a = icotest::MakeIco(16, 4), b = icotest::MakeIco(32, 32, 0xFF0000);
  auto ia = IconOf(a), ib = IconOf(b);
  TIconList list;
  list.Add(ia.get());
  list.Add(nullptr);
  list.Add(ib.get());
  const auto bytes = Streamed(list);

  std::vector<uint8_t> expected;
  icotest::Le32(expected, 3);
  icotest::Le32(expected, static_cast<uint32_t>(a.size()));
  expected.insert(expected.end(), a.begin(), a.end());
  icotest::Le32(expected, 0);
  icotest::Le32(expected, static_cast<uint32_t>(b.size()));
  expected.insert(expected.end(), b.begin(), b.end());
  EXPECT_EQ(bytes, expected);

  TIconList back;
  ReadInto(back, bytes);
  ASSERT_EQ(back.Count(), 3);
  EXPECT_EQ(back.Get(1), nullptr);
  EXPECT_EQ(back.Get(0)->Width(), 16);
  EXPECT_EQ(back.Get(2)->Width(), 32);
  EXPECT_EQ(Streamed(back), bytes);

  // An empty list streams its count alone.
  TIconList empty;
  EXPECT_EQ(Streamed(empty), std::vector<uint8_t>({0, 0, 0, 0}));
  ReadInto(back, Streamed(empty));
  EXPECT_EQ(back.Count(), 0);
}

TEST(IconList, ReportsChangesOncePerOuterUpdate) {
  auto icon = IconOf(icotest::MakeIco(16, 8));
  TIconList list;
  Counts c;
  Watch(list, c);
  for (int i = 0; i < 4; ++i) list.Add(icon.get());
  EXPECT_EQ(c.changed, 4);
  EXPECT_EQ(c.changing, 0);

  c = {};
  list.BeginUpdate();
  list.BeginUpdate();
  list.Delete(0);
  list.Exchange(0, 1);
  list.EndUpdate();
  EXPECT_EQ(c.changed, 0);
  list.Clear();
  list.EndUpdate();
  EXPECT_EQ(c.changing, 1);
  EXPECT_EQ(c.changed, 1);
  EXPECT_EQ(list.Count(), 0);

  // Clear on its own is one update too; so is Put, and so is assignment.
  for (int i = 0; i < 3; ++i) list.Add(icon.get());
  c = {};
  list.Clear();
  EXPECT_EQ(c.changed, 1);
  list.Put(0, icon.get());
  EXPECT_EQ(c.changed, 2);

  // Editing an icon held by the list is a change of the list.
  c = {};
  list.Get(0)->Assign(nullptr);
  EXPECT_EQ(c.changed, 1);
  // An unbalanced EndUpdate does nothing.
  list.EndUpdate();
  EXPECT_EQ(c.changed, 1);
}

TEST(IconList, PutInsertMoveAndIndexOf) {
  auto small = IconOf(icotest::MakeIco(16, 4)), big = IconOf(icotest::MakeIco(32, 4));
  TIconList list;
  list.Put(0, small.get());  // at the count: appends
  ASSERT_EQ(list.Count(), 1);
  EXPECT_NE(list.Get(0), small.get());  // a copy
  EXPECT_EQ(list.Get(0)->Width(), 16);
  EXPECT_THROW(list.Put(2, small.get()), EListError);

  list.Add(nullptr);
  list.Put(1, big.get());  // an empty entry gets a new icon
  ASSERT_NE(list.Get(1), nullptr);
  EXPECT_EQ(list.Get(1)->Width(), 32);

  list.Insert(0, nullptr);
  EXPECT_EQ(list.Get(0), nullptr);
  TIcon* second = list.Get(2);
  list.Move(2, 0);
  EXPECT_EQ(list.IndexOf(second), 0);
  EXPECT_EQ(list.IndexOf(big.get()), -1);
  EXPECT_THROW(list.Get(3), EListError);
  EXPECT_THROW(list.Delete(-1), EListError);
  EXPECT_THROW(list.Insert(5, nullptr), EListError);

  TIconList other;
  other.Assign(&list);
  EXPECT_EQ(Streamed(other), Streamed(list));
  other.Assign(small.get());
  ASSERT_EQ(other.Count(), 1);
  EXPECT_EQ(other.Get(0)->Width(), 16);
  other.Assign(nullptr);
  EXPECT_EQ(other.Count(), 0);
}

TEST(IconList, StoredOnlyWhenItDiffersFromTheInheritedList) {
  auto a = IconOf(icotest::MakeIco(16, 4)), b = IconOf(icotest::MakeIco(16, 8));
  TIconList list, inherited;
  EXPECT_FALSE(list.ShouldStore(nullptr));
  list.Add(a.get());
  EXPECT_TRUE(list.ShouldStore(nullptr));
  inherited.Add(a.get());
  EXPECT_FALSE(list.ShouldStore(&inherited));
  inherited.Put(0, b.get());
  EXPECT_TRUE(list.ShouldStore(&inherited));
  inherited.Put(0, a.get());
  inherited.Add(nullptr);
  EXPECT_TRUE(list.ShouldStore(&inherited));
}

TEST(IconList, BadStreamsFailAndLeaveTheListAsItWas) {
  auto icon = IconOf(icotest::MakeIco(16, 4));
  TIconList source;
  source.Add(icon.get());
  source.Add(nullptr);
  source.Add(icon.get());
  const auto good = Streamed(source);

  TIconList list;
  list.Add(icon.get());
  const auto before = Streamed(list);
  Counts c;
  Watch(list, c);
  // Every truncation.
  for (size_t n = 0; n < good.size(); ++n) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_THROW(ReadInto(list, cut), Exception) << n;
  }
  // Forged counts and sizes are refused before anything is allocated.
  auto forged = good;
  PutLE32(forged.data(), 0xFFFFFFFFu);
  EXPECT_THROW(ReadInto(list, forged), EReadError);
  forged = good;
  PutLE32(forged.data() + 4, 0x7FFFFFFFu);
  EXPECT_THROW(ReadInto(list, forged), EReadError);
  // An entry that is not an icon fails the whole read.
  auto junk = good;
  junk[8 + 2] = 7;  // the first icon's type word
  try {
    ReadInto(list, junk);
    ADD_FAILURE() << "junk icon accepted";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Icon image is not valid");
  }
  EXPECT_EQ(Streamed(list), before);
  EXPECT_EQ(c.changed, 0);
}

TEST(IconList, AddsTheProgramIconFromItsResources) {
  TIconList list;
  list.AddResource(0, "MAINICON");
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Get(0)->ImageCount(), 2);
  EXPECT_GT(list.Get(0)->Width(), 0);
  // Only the program's own module has resources.
  EXPECT_THROW(list.AddResource(1, "MAINICON"), EResNotFound);
  EXPECT_THROW(list.InsertResource(0, 0, "NO SUCH ICON"), EResNotFound);
  EXPECT_EQ(list.Count(), 1);
}

TEST(IconList, IconsTravelThroughTheClipboardAsIconFiles) {
  RegisterIconClipboardFormat();
  const auto bytes = icotest::MakeIco(32, 8);
  auto icon = IconOf(bytes);
  Clipboard()->Assign(icon.get());
  ASSERT_TRUE(Clipboard()->HasFormat(CF_ICON()));
  EXPECT_EQ(GetClipboardFormatName(CF_ICON()), "Icon");
  EXPECT_EQ(Clipboard()->GetData(CF_ICON()), bytes);
  EXPECT_TRUE(TPicture::SupportsClipboardFormat(CF_ICON()));

  TPicture picture;
  picture.Assign(Clipboard());
  auto* pasted = dynamic_cast<TIcon*>(picture.Graphic());
  ASSERT_NE(pasted, nullptr);
  TMemoryStream out;
  pasted->SaveToStream(&out);
  EXPECT_EQ(out.Bytes(), bytes);
}
