// Header sections: the setter rules, the collection's numbering, and the
// "Data" stream checked by a reader written from the record layout.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/classlib/stream.h"
#include "platform/classlib/string_list.h"
#include "treectl/header_control.h"
#include "treectl/header_sections.h"

using namespace lumicast;
using classlib::EReadError;
using classlib::TMemoryStream;

namespace {

const char* const kCaptions[] = {"Source Video(*.swf;*.exe)", "Source Audio(*.wav;*.mp3)",
                                 "Export(*.avi;*.mpg;*.gif;image)"};
const int kWidths[] = {150, 138, 148};

void AddJobListSections(TElHeaderSections& S) {
  for (int i = 0; i < 3; ++i) {
    TElHeaderSection* s = S.AppendSection();
    s->SetText(kCaptions[i]);
    s->SetWidth(kWidths[i]);
  }
}

std::vector<uint8_t> Save(const TElHeaderSections& S) {
  TMemoryStream m;
  S.SaveToStream(&m);
  return m.Bytes();
}

void Load(TElHeaderSections& S, const std::vector<uint8_t>& Bytes) {
  TMemoryStream m;
  if (!Bytes.empty()) m.WriteBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
  m.SetPosition(0);
  S.LoadFromStream(&m);
}

// A little-endian byte reader over a saved stream.
struct Reader {
  const std::vector<uint8_t>& b;
  size_t at = 0;
  int32_t I32() {
    int32_t v = static_cast<int32_t>(b.at(at) | b.at(at + 1) << 8 | b.at(at + 2) << 16 |
                                     static_cast<uint32_t>(b.at(at + 3)) << 24);
    at += 4;
    return v;
  }
  uint8_t U8() { return b.at(at++); }
  std::string Bytes(size_t n) {
    std::string s(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + n));
    at += n;
    return s;
  }
};

// The record of one section as the table lays it out.
struct Record {
  int32_t parent, width, min_width, max_width, unique_id, column, image, color, font_color;
  uint8_t lookup, expandable, expanded, visible, click_select, resizable, style, sort, allow_click,
      alignment, field_type, editable, picture_align, password, parent_color, filter, layout,
      main_style, auto_size;
  std::string text, field_name, menu, hint;
};

Record ReadRecord(Reader& r) {
  Record x{};
  const size_t start = r.at;
  EXPECT_EQ(r.I32(), 0);  // reserved
  x.lookup = r.U8();
  EXPECT_EQ(r.Bytes(3), std::string(3, '\0'));
  x.parent = r.I32();
  x.expandable = r.U8();
  x.expanded = r.U8();
  x.visible = r.U8();
  x.click_select = r.U8();
  x.resizable = r.U8();
  x.style = r.U8();
  EXPECT_EQ(r.Bytes(2), std::string(2, '\0'));
  x.width = r.I32();
  x.min_width = r.I32();
  x.max_width = r.I32();
  x.sort = r.U8();
  x.allow_click = r.U8();
  x.alignment = r.U8();
  EXPECT_EQ(r.U8(), 0);
  x.unique_id = r.I32();
  x.column = r.I32();
  x.field_type = r.U8();
  x.editable = r.U8();
  EXPECT_EQ(r.Bytes(2), std::string(2, '\0'));
  x.image = r.I32();
  x.picture_align = r.U8();
  x.password = r.U8();
  x.parent_color = r.U8();
  EXPECT_EQ(r.U8(), 0);
  x.color = r.I32();
  x.font_color = r.I32();
  x.filter = r.U8();
  x.layout = r.U8();
  x.main_style = r.U8();
  x.auto_size = r.U8();
  EXPECT_EQ(r.at - start, 68u);
  int32_t n = r.I32();
  x.text = r.Bytes(static_cast<size_t>(n));
  EXPECT_EQ(x.text.back(), '\0');
  x.text.pop_back();
  n = r.I32();
  x.field_name = r.Bytes(static_cast<size_t>(n));
  EXPECT_EQ(x.field_name.back(), '\0');
  x.field_name.pop_back();
  x.menu = r.Bytes(static_cast<size_t>(r.I32()));
  x.hint = r.Bytes(static_cast<size_t>(r.I32()));
  return x;
}

// Stream writer for hand-built older versions.
struct Writer {
  std::vector<uint8_t> b;
  void I32(int32_t v) {
    for (int i = 0; i < 4; ++i)
      b.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
  }
  void U8(uint8_t v) { b.push_back(v); }
  void Pad(size_t n) { b.insert(b.end(), n, 0); }
  void ZText(const std::string& s) {
    I32(static_cast<int32_t>(s.size() + 1));
    b.insert(b.end(), s.begin(), s.end());
    b.push_back(0);
  }
  void Counted(const std::string& s) {
    I32(static_cast<int32_t>(s.size()));
    b.insert(b.end(), s.begin(), s.end());
  }
};

// Offsets 0-35 of the records of versions -9 to -5.
void CommonHead(Writer& w, int32_t parent, int32_t width, uint8_t style, uint8_t sort) {
  w.I32(0);
  w.U8(0);  // lookup
  w.Pad(3);
  w.I32(parent);
  w.U8(1);  // expandable
  w.U8(1);  // expanded
  w.U8(1);  // visible
  w.U8(0);  // click select
  w.U8(1);  // resizable
  w.U8(style);
  w.Pad(2);
  w.I32(width);
  w.I32(5);    // min
  w.I32(900);  // max
  w.U8(sort);
  w.U8(1);  // allow click
  w.U8(2);  // alignment right
  w.U8(0);
}

// Same sections in the same order (ids are each collection's own).
void ExpectSame(const TElHeaderSections& A, const TElHeaderSections& B) {
  ASSERT_EQ(A.Count(), B.Count());
  for (int i = 0; i < A.Count(); ++i) {
    EXPECT_EQ(A.ItemByPos(i)->ColumnIndex(), B.ItemByPos(i)->ColumnIndex());
    EXPECT_EQ(A.ItemByPos(i)->Text(), B.ItemByPos(i)->Text());
    EXPECT_EQ(A.ItemByPos(i)->Width(), B.ItemByPos(i)->Width());
  }
}

}  // namespace

TEST(HeaderSections, JobListSectionsSaveTo347BytesFieldByField) {
  TElHeaderSections sections(nullptr);
  AddJobListSections(sections);
  std::vector<uint8_t> bytes = Save(sections);
  ASSERT_EQ(bytes.size(), 347u);
  Reader r{bytes};
  EXPECT_EQ(r.I32(), -10);
  ASSERT_EQ(r.I32(), 3);
  for (int i = 0; i < 3; ++i) {
    Record x = ReadRecord(r);
    EXPECT_EQ(x.text, kCaptions[i]);
    EXPECT_EQ(x.width, kWidths[i]);
    EXPECT_EQ(x.column, i);
    EXPECT_EQ(x.unique_id, i + 1);
    EXPECT_EQ(x.parent, -1);
    EXPECT_EQ(x.min_width, 0);
    EXPECT_EQ(x.max_width, 10000);
    EXPECT_EQ(x.visible, 1);
    EXPECT_EQ(x.click_select, 1);
    EXPECT_EQ(x.resizable, 1);
    EXPECT_EQ(x.allow_click, 1);
    EXPECT_EQ(x.parent_color, 1);
    EXPECT_EQ(x.layout, 1);  // centre
    EXPECT_EQ(x.style + x.sort + x.alignment + x.field_type + x.editable + x.password + x.lookup +
                  x.filter + x.expandable + x.expanded + x.main_style + x.auto_size +
                  x.picture_align,
              0);
    EXPECT_EQ(x.image, 0);
    EXPECT_EQ(x.field_name, "");
    EXPECT_EQ(x.menu, "");
    EXPECT_EQ(x.hint, "");
  }
  EXPECT_EQ(r.at, bytes.size());

  TElHeaderSections back(nullptr);
  Load(back, bytes);
  EXPECT_EQ(Save(back), bytes);
}

TEST(HeaderSections, EveryFieldSurvivesSaveLoadSave) {
  TElHeaderSections s(nullptr);
  TElHeaderSection* parent = s.AppendSection();
  TElHeaderSection* child = s.AppendSection();
  parent->SetExpandable(true);
  parent->SetExpanded(true);
  child->SetParentSection(parent);
  child->SetText("Caf\xC3\xA9 \xE2\x82\xAC");
  child->SetStyle(ElhsOwnerDraw);
  child->SetMinWidth(7);
  child->SetMaxWidth(700);
  child->SetWidth(77);
  child->SetSortMode(hsmDescend);
  child->SetAllowClick(false);
  child->SetAlignment(hsaCenter);
  child->SetPictureAlign(hsaRight);
  child->SetVisible(false);
  child->SetImageIndex(-1);
  child->SetFieldName("field");
  child->SetFieldType(sftCurrency);
  child->SetEditable(true);
  child->SetPassword(true);
  child->SetResizable(false);
  child->SetClickSelect(false);
  child->SetFilterEnabled(true);
  child->SetColor(0x123456);
  child->SetFontColor(0x654321);
  child->SetUseMainStyle(true);
  child->SetTextLayout(tlBottom);
  child->SetHint("a hint");
  child->SetAutoSize(true);
  parent->SetLookupEnabled(true);

  std::vector<uint8_t> first = Save(s);
  TElHeaderSections copy(nullptr);
  Load(copy, first);
  EXPECT_EQ(Save(copy), first);
  ASSERT_EQ(copy.Count(), 2);
  TElHeaderSection* c = copy.ItemByPos(1);
  EXPECT_EQ(c->ParentSection(), copy.ItemByPos(0));
  EXPECT_EQ(c->Text(), "Caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(c->Width(), 77);
  EXPECT_EQ(c->SortMode(), hsmDescend);
  EXPECT_EQ(c->FieldType(), sftCurrency);
  EXPECT_FALSE(c->ParentColor());
  EXPECT_EQ(c->Color(), 0x123456);
  EXPECT_TRUE(c->AutoSize());
  EXPECT_EQ(c->Hint(), "a hint");
  EXPECT_EQ(c->UniqueId(), 2);
  // New sections get ids above every id read.
  EXPECT_EQ(copy.AppendSection()->UniqueId(), 3);
}

TEST(HeaderSections, OlderVersionsDecodeTheirLayouts) {
  // -9: ColumnIndex at 36, no id, AutoSize at 63, four strings.
  for (int32_t version : {-9, -8}) {
    Writer w;
    w.I32(version);
    w.I32(2);
    for (int i = 0; i < 2; ++i) {
      CommonHead(w, i == 1 ? 4 : -1, 60 + i, 1, 2);
      w.I32(i == 0 ? 4 : 9);  // column
      w.U8(3);                // field type
      w.U8(1);                // editable
      w.Pad(2);
      w.I32(6);  // image
      w.U8(2);   // picture align
      w.U8(1);   // password
      w.U8(0);   // parent colour
      w.U8(0);
      w.I32(0x0000FF);
      w.I32(0x00FF00);
      w.U8(1);  // filter
      w.U8(2);  // layout
      w.U8(1);  // main style
      w.U8(1);  // auto size
      w.ZText(i == 0 ? "first" : "second");
      w.ZText("fld");
      w.Counted("menPopup");
      w.Counted("tip");
    }
    TElHeaderSections s(nullptr);
    Load(s, w.b);
    ASSERT_EQ(s.Count(), 2) << version;
    TElHeaderSection* a = s.ItemByPos(0);
    TElHeaderSection* b = s.ItemByPos(1);
    EXPECT_EQ(a->ColumnIndex(), 4);
    EXPECT_EQ(b->ColumnIndex(), 9);
    EXPECT_EQ(s.Item(9), b);
    EXPECT_EQ(b->ParentSection(), a);  // stored as the parent's column
    EXPECT_EQ(a->Text(), "first");
    EXPECT_EQ(a->Width(), 60);
    EXPECT_EQ(a->MinWidth(), 5);
    EXPECT_EQ(a->Style(), ElhsOwnerDraw);
    EXPECT_EQ(a->SortMode(), hsmDescend);
    EXPECT_EQ(a->Alignment(), hsaRight);
    EXPECT_EQ(a->FieldType(), sftFloating);
    EXPECT_TRUE(a->Editable());
    EXPECT_EQ(a->ImageIndex(), 6);
    EXPECT_EQ(a->PictureAlign(), hsaRight);
    EXPECT_TRUE(a->Password());
    EXPECT_FALSE(a->ParentColor());
    EXPECT_EQ(a->Color(), 0x0000FF);
    EXPECT_EQ(a->FontColor(), 0x00FF00);
    EXPECT_TRUE(a->FilterEnabled());
    EXPECT_EQ(a->TextLayout(), tlBottom);
    EXPECT_TRUE(a->UseMainStyle());
    EXPECT_EQ(a->AutoSize(), version == -9);  // -8 has no auto size
    EXPECT_EQ(a->PopupMenuName(), "menPopup");
    EXPECT_EQ(a->Hint(), "tip");
    EXPECT_FALSE(a->ClickSelect());
    EXPECT_EQ(a->UniqueId(), 1);
    EXPECT_EQ(b->UniqueId(), 2);
  }
  // -6 and -5: 52-byte records; -6 adds the menu name.
  for (int32_t version : {-6, -5}) {
    Writer w;
    w.I32(version);
    w.I32(1);
    CommonHead(w, -1, 42, 2, 1);
    w.I32(0);
    w.U8(12);  // currency
    w.U8(0);
    w.Pad(2);
    w.I32(-1);
    w.U8(1);
    w.U8(0);
    w.Pad(2);
    w.ZText("cap");
    w.ZText("name");
    if (version == -6) w.Counted("menu");
    TElHeaderSections s(nullptr);
    Load(s, w.b);
    ASSERT_EQ(s.Count(), 1);
    TElHeaderSection* a = s.ItemByPos(0);
    EXPECT_EQ(a->Text(), "cap");
    EXPECT_EQ(a->FieldName(), "name");
    EXPECT_EQ(a->Width(), 42);
    EXPECT_EQ(a->Style(), ElhsPictureOnly);
    EXPECT_EQ(a->FieldType(), sftCurrency);
    EXPECT_EQ(a->ImageIndex(), -1);
    EXPECT_EQ(a->PictureAlign(), hsaCenter);
    EXPECT_EQ(a->PopupMenuName(), version == -6 ? "menu" : "");
    EXPECT_TRUE(a->ParentColor());  // not in these records
  }
  // -4: 36-byte records with two sections.
  Writer w;
  w.I32(-4);
  w.I32(2);
  for (int i = 0; i < 2; ++i) {
    w.U8(1);
    w.U8(1);
    w.U8(0);
    w.U8(0);
    w.I32(100 + i);
    w.I32(0);
    w.I32(10000);
    w.U8(0);
    w.U8(1);
    w.U8(0);
    w.U8(0);
    w.I32(i);
    w.U8(i == 0 ? 2 : 4);
    w.U8(0);
    w.Pad(2);
    w.I32(0);
    w.U8(0);
    w.U8(0);
    w.Pad(2);
    w.ZText(i == 0 ? "one" : "two");
    w.ZText("");
  }
  TElHeaderSections s(nullptr);
  Load(s, w.b);
  ASSERT_EQ(s.Count(), 2);
  EXPECT_EQ(s.ItemByPos(0)->Text(), "one");
  EXPECT_EQ(s.ItemByPos(1)->Text(), "two");
  EXPECT_EQ(s.ItemByPos(1)->Width(), 101);
  EXPECT_EQ(s.ItemByPos(0)->FieldType(), sftNumber);
  EXPECT_EQ(s.ItemByPos(1)->FieldType(), sftDateTime);
  EXPECT_FALSE(s.ItemByPos(0)->Resizable());
  EXPECT_EQ(s.ItemByPos(0)->UniqueId(), 1);
  EXPECT_EQ(s.ItemByPos(1)->UniqueId(), 2);
}

TEST(HeaderSections, MalformedStreamsRaiseAndKeepTheOldSections) {
  TElHeaderSections source(nullptr);
  AddJobListSections(source);
  source.ItemByPos(1)->SetHint("hint");
  const std::vector<uint8_t> good = Save(source);

  TElHeaderSections target(nullptr);
  target.AppendSection()->SetText("keep me");
  const std::vector<uint8_t> before = Save(target);

  // Every truncation.
  for (size_t n = 0; n < good.size(); ++n) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(n));
    EXPECT_THROW(Load(target, cut), EReadError) << n;
    ASSERT_EQ(Save(target), before) << n;
  }

  auto patched = [&](size_t at, int32_t v) {
    std::vector<uint8_t> b = good;
    for (int i = 0; i < 4; ++i)
      b[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
    return b;
  };
  const size_t rec = 8;          // the first record
  const size_t text = rec + 68;  // its caption's byte count
  const std::vector<std::vector<uint8_t>> bad = {
      patched(0, -7),            // unknown version
      patched(0, 1),             // unknown version
      patched(4, -1),            // negative count
      patched(4, 4),             // more sections than bytes
      patched(4, 0x7FFFFFFF),    // far more
      patched(text, 0),          // caption without its terminator
      patched(text, -3),         // negative caption length
      patched(text, 100000),     // caption past the end
      patched(rec + 20, -1),     // negative width
      patched(rec + 24, 20000),  // MinWidth above MaxWidth
      patched(rec + 40, -2),     // negative column
  };
  for (size_t i = 0; i < bad.size(); ++i) {
    EXPECT_THROW(Load(target, bad[i]), EReadError) << i;
    EXPECT_EQ(Save(target), before) << i;
  }
  // Enumeration bytes outside their types.
  for (size_t at : {rec + 17, rec + 32, rec + 34, rec + 44, rec + 52, rec + 65}) {
    std::vector<uint8_t> b = good;
    b[at] = 13;
    EXPECT_THROW(Load(target, b), EReadError) << at;
    EXPECT_EQ(Save(target), before) << at;
  }
  // A negative length of the menu name or hint is a damaged stream too.
  {
    const size_t menu = text + 4 + std::strlen(kCaptions[0]) + 1 + 5;
    EXPECT_THROW(Load(target, patched(menu, -1)), EReadError);
    EXPECT_EQ(Save(target), before);
  }

  // Random damage: either a clean load with consistent numbering, or the
  // read error with the old sections kept.
  std::mt19937 rng(1234);
  for (int round = 0; round < 400; ++round) {
    std::vector<uint8_t> b = good;
    int flips = 1 + static_cast<int>(rng() % 4);
    for (int f = 0; f < flips; ++f) b[rng() % b.size()] = static_cast<uint8_t>(rng());
    TElHeaderSections t(nullptr);
    t.AppendSection()->SetText("old");
    const std::vector<uint8_t> old = Save(t);
    try {
      Load(t, b);
      std::set<int32_t> columns, ids;
      for (int i = 0; i < t.Count(); ++i) {
        EXPECT_TRUE(columns.insert(t.ItemByPos(i)->ColumnIndex()).second);
        EXPECT_TRUE(ids.insert(t.ItemByPos(i)->UniqueId()).second);
        EXPECT_LE(t.ItemByPos(i)->MinWidth(), t.ItemByPos(i)->MaxWidth());
      }
    } catch (const EReadError&) {
      EXPECT_EQ(Save(t), old) << round;
    }
  }
}

TEST(HeaderSections, DuplicateColumnsAndIdsGetFreshValues) {
  TElHeaderSections s(nullptr);
  AddJobListSections(s);
  std::vector<uint8_t> b = Save(s);
  // Give the second and third records the first one's column and id.
  size_t second = 8 + 68 + 4 + std::strlen(kCaptions[0]) + 1 + 5 + 4 + 4;
  size_t third = second + 68 + 4 + std::strlen(kCaptions[1]) + 1 + 5 + 4 + 4;
  for (size_t rec : {second, third}) {
    std::memset(&b[rec + 36], 0, 4);
    b[rec + 36] = 1;                  // id 1
    std::memset(&b[rec + 40], 0, 4);  // column 0
  }
  TElHeaderSections t(nullptr);
  Load(t, b);
  ASSERT_EQ(t.Count(), 3);
  EXPECT_EQ(t.ItemByPos(0)->ColumnIndex(), 0);
  EXPECT_EQ(t.ItemByPos(1)->ColumnIndex(), 1);
  EXPECT_EQ(t.ItemByPos(2)->ColumnIndex(), 2);
  EXPECT_EQ(t.Item(0)->Text(), kCaptions[0]);
  std::set<int32_t> ids;
  for (int i = 0; i < 3; ++i) ids.insert(t.ItemByPos(i)->UniqueId());
  EXPECT_EQ(ids.size(), 3u);
  EXPECT_EQ(t.SectionByUniqueId(1), t.ItemByPos(0));
}

TEST(HeaderSections, CyclicParentsAreRefusedInCodeAndInStreams) {
  TElHeaderSections s(nullptr);
  TElHeaderSection* a = s.AppendSection();
  TElHeaderSection* b = s.AppendSection();
  b->SetParentSection(a);
  a->SetParentSection(b);
  EXPECT_EQ(a->ParentSection(), nullptr);
  a->SetParentSection(a);
  EXPECT_EQ(a->ParentSection(), nullptr);

  // A stream where each names the other as parent: one link is dropped.
  std::vector<uint8_t> bytes = Save(s);
  const size_t first = 8;
  bytes[first + 8] = 1;  // a's parent is column 1
  for (int i = 1; i < 4; ++i) bytes[first + 8 + i] = 0;
  TElHeaderSections t(nullptr);
  Load(t, bytes);
  TElHeaderSection* ta = t.ItemByPos(0);
  TElHeaderSection* tb = t.ItemByPos(1);
  EXPECT_FALSE(ta->ParentSection() == tb && tb->ParentSection() == ta);
  EXPECT_TRUE(ta->EffectivelyVisible() || !ta->EffectivelyVisible());  // terminates
}

TEST(HeaderSections, SetterRules) {
  TElHeaderSections s(nullptr);
  TElHeaderSection* a = s.AppendSection();
  EXPECT_EQ(a->Width(), 120);
  a->SetMinWidth(10);
  a->SetWidth(5);
  EXPECT_EQ(a->Width(), 120);
  a->SetMaxWidth(50);
  EXPECT_EQ(a->Width(), 50);

  TElHeaderSection* b = s.AppendSection();
  a->SetSortMode(hsmAscend);
  b->SetSortMode(hsmDescend);
  EXPECT_EQ(a->SortMode(), hsmNone);
  EXPECT_EQ(b->SortMode(), hsmDescend);

  a->SetLookupEnabled(true);
  a->SetFilterEnabled(true);
  EXPECT_FALSE(a->LookupEnabled());
  a->SetLookupEnabled(true);
  EXPECT_FALSE(a->FilterEnabled());

  b->SetExpanded(true);
  EXPECT_FALSE(b->Expanded());  // not expandable
  b->SetExpandable(true);
  b->SetExpanded(true);
  a->SetParentSection(b);
  b->SetExpandable(false);
  EXPECT_EQ(a->ParentSection(), nullptr);

  EXPECT_TRUE(a->ParentColor());
  a->SetFontColor(0x102030);
  EXPECT_FALSE(a->ParentColor());
}

TEST(HeaderSections, NumberingFollowsInsertMoveAndDelete) {
  TElHeaderSections s(nullptr);
  TElHeaderSection* a = s.AppendSection();
  TElHeaderSection* b = s.AppendSection();
  TElHeaderSection* c = s.AppendSection();
  s.RelocateSection(b, 0);
  EXPECT_EQ(s.ItemByPos(0), b);
  EXPECT_EQ(b->ColumnIndex(), 1);
  EXPECT_EQ(s.Item(1), b);
  s.RemoveSection(a);
  EXPECT_EQ(b->ColumnIndex(), 0);
  EXPECT_EQ(c->ColumnIndex(), 1);
  // A new section takes the smallest column number free.
  s.RemoveSection(b);
  TElHeaderSection* d = s.InsertSectionAt(0);
  EXPECT_EQ(c->ColumnIndex(), 0);
  EXPECT_EQ(d->ColumnIndex(), 1);
  EXPECT_NE(d->UniqueId(), c->UniqueId());
  EXPECT_THROW(s.RemoveSection(nullptr), EElError);
  try {
    s.RemoveSection(nullptr);
  } catch (const EElError& e) {
    EXPECT_STREQ(e.what(), "Invalid section");
  }

  c->SetText("c");
  d->SetWidth(33);
  TElHeaderSections copy(nullptr);
  copy.Assign(&s);
  ExpectSame(copy, s);
}
