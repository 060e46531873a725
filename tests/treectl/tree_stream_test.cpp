// The item stream: sizes, a golden tree read back by an independent reader
// written from the record tables, round trips, older record versions, and
// malformed input.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/classlib/stream.h"
#include "tests/treectl/tree_job_list.h"

using namespace lumicast;
using namespace classlib;

namespace {

// A plain reader of version -10 records (no styles, no handler bytes): the
// texts, the fields it checks, and the child counts, as an outline.
struct RecordReader {
  const std::vector<uint8_t>& d;
  size_t p = 0;
  int32_t I32() {
    int32_t v;
    std::memcpy(&v, &d.at(p + 3) - 3, 4);
    p += 4;
    return v;
  }
  std::string Str() {
    int32_t n = I32();
    std::string s(d.begin() + static_cast<long>(p), d.begin() + static_cast<long>(p) + n);
    p += static_cast<size_t>(n);
    return s;
  }
  void Record(int Level, std::vector<std::string>& Out) {
    EXPECT_EQ(I32(), -10);
    std::string text = Str();
    uint16_t state = static_cast<uint16_t>(d.at(p) | d.at(p + 1) << 8);
    uint8_t checked = d.at(p + 31), show_box = d.at(p + 32);
    p += 48 + 1;
    EXPECT_EQ(I32(), -1);
    std::string hint = Str();
    int32_t texts = I32();
    std::string cols;
    for (int i = 0; i < texts; ++i) cols += "|" + Str();
    EXPECT_EQ(d.at(p++), 0);  // no styles
    int32_t children = I32();
    Out.push_back(std::string(static_cast<size_t>(Level), ' ') + text + cols + " s" +
                  std::to_string(state) + " c" + std::to_string(checked) +
                  std::to_string(show_box) + (hint.empty() ? "" : " h:" + hint));
    for (int i = 0; i < children; ++i) Record(Level + 1, Out);
  }
};

struct StreamFixture : ::testing::Test {
  lumitest::TreeHost host;
  TElTree* tree = host.tree;
  std::vector<uint8_t> Save(TElTree* t) {
    TMemoryStream m;
    t->SaveToStream(&m);
    return m.Bytes();
  }
  void Load(TElTree* t, const std::vector<uint8_t>& Bytes) {
    TMemoryStream m;
    m.WriteBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
    m.SetPosition(0);
    t->LoadFromStream(&m);
  }
  void BuildThreeLevels() {
    TElTreeItems* items = tree->Items();
    TElTreeItem* a = items->AddLastChild(nullptr, "a");
    TElTreeItem* a1 = items->AddLastChild(a, "a1");
    TElTreeItem* a11 = items->AddLastChild(a1, "a11");
    a11->ColumnText()->Add("x");
    a11->ColumnText()->Add("y");
    a11->Hint = "tip";
    TElTreeItem* b = items->AddLastChild(nullptr, "b");
    b->SetShowCheckBox(true);
    b->SetChecked(true);
    b->SetBold(true);
    a->Expand(false);
  }
};

void PutI32(std::vector<uint8_t>& d, int32_t v) {
  uint8_t b[4];
  std::memcpy(b, &v, 4);
  d.insert(d.end(), b, b + 4);
}
void PutStr(std::vector<uint8_t>& d, const std::string& s) {
  PutI32(d, static_cast<int32_t>(s.size()));
  d.insert(d.end(), s.begin(), s.end());
}

}  // namespace

TEST_F(StreamFixture, SizesOfAnEmptyTreeAndAJobListItem) {
  EXPECT_EQ(Save(tree).size(), 74u);
  lumitest::AddJob(tree, "movie.swf", "sound.wav", "out.avi");
  EXPECT_EQ(Save(tree).size(), 74u + 82u + 9u + 9u + 7u);
}

TEST_F(StreamFixture, GoldenTreeReadByAnIndependentReader) {
  BuildThreeLevels();
  std::vector<uint8_t> bytes = Save(tree);
  RecordReader r{bytes};
  std::vector<std::string> outline;
  r.Record(0, outline);
  EXPECT_EQ(r.p, bytes.size());
  // State bits: 7 Expanded (128), 5 Bold (32); check box state 1, shown 1.
  EXPECT_EQ(outline, (std::vector<std::string>{" s128 c00", " a s128 c00", "  a1 s0 c00",
                                               "   a11|x|y s0 c00 h:tip", " b s32 c11"}));
}

TEST_F(StreamFixture, SaveLoadSaveIsByteIdenticalWithStylesHintsAndHandlerBytes) {
  BuildThreeLevels();
  TElTreeItem* a1 = tree->Items()->Item(1);
  a1->SetUseStyles(true);
  a1->MainStyle()->TextColor = 0x123456;
  a1->MainStyle()->FontName = "Arial";
  TElCellStyle* extra = a1->AddStyle();
  extra->StyleTag = 77;
  extra->CellType = sftNumber;
  tree->OnItemSave = [](TObject*, TStream* S, TElTreeItem* I) {
    S->WriteValue<uint16_t>(static_cast<uint16_t>(I->Text().size()));
  };
  tree->OnItemLoad = [](TObject*, TStream* S, TElTreeItem* I) {
    EXPECT_EQ(S->ReadValue<uint16_t>(), I->Text().size());
  };
  std::vector<uint8_t> first = Save(tree);
  lumitest::TreeHost other;
  other.tree->OnItemSave = tree->OnItemSave;
  other.tree->OnItemLoad = tree->OnItemLoad;
  Load(other.tree, first);
  EXPECT_EQ(Save(other.tree), first);
  TElTreeItem* copy = other.tree->Items()->Item(1);
  EXPECT_EQ(copy->MainStyle()->TextColor, 0x123456u);
  EXPECT_EQ(copy->Styles(0)->StyleTag, 77u);
  EXPECT_EQ(other.tree->Items()->Item(2)->Hint, "tip");
  EXPECT_TRUE(other.tree->Items()->Item(0)->Expanded());
  EXPECT_EQ(other.view()->Rows().Count(), 3);  // a, a1 and b; a1 is collapsed
}

TEST_F(StreamFixture, CustomStylesNeedTheLoadHandler) {
  TElTreeItem* a = tree->Items()->AddLastChild(nullptr, "a");
  a->SetUseStyles(true);
  a->MainStyle()->StyleTag = 5;
  tree->OnCellStyleSave = [](TObject*, TStream* S, TElCellStyle* St) {
    S->WriteValue<uint32_t>(St->StyleTag);
  };
  std::vector<uint8_t> bytes = Save(tree);
  lumitest::TreeHost other;
  EXPECT_THROW(Load(other.tree, bytes), EReadError);
  EXPECT_EQ(other.tree->Items()->Count(), 0);
  other.tree->OnCellStyleLoad = [](TObject*, TStream* S, TElCellStyle* St) {
    St->StyleTag = S->ReadValue<uint32_t>();
  };
  Load(other.tree, bytes);
  EXPECT_EQ(other.tree->Items()->Item(0)->MainStyle()->StyleTag, 5u);
}

TEST_F(StreamFixture, FocusAndSelectionAreNotRestored) {
  tree->SetMultiSelect(false);
  tree->Items()->AddLastChild(nullptr, "a");
  TElTreeItem* b = tree->Items()->AddLastChild(nullptr, "b");
  b->SetCut(true);
  tree->SetItemWithFocus(b, false);
  std::vector<uint8_t> bytes = Save(tree);
  EXPECT_TRUE(b->Focused());  // the focus comes back after saving
  Load(tree, bytes);
  TElTreeItem* loaded = tree->Items()->Item(1);
  EXPECT_FALSE(loaded->Focused());
  EXPECT_FALSE(loaded->Selected());
  EXPECT_TRUE(loaded->Cut());
  EXPECT_EQ(tree->ItemWithFocus(), nullptr);
}

TEST_F(StreamFixture, OlderRecordVersions) {
  // Root record of each version with one child "c"; the 44-byte block has
  // ImageIndex 3 at 4, Color at 16, CheckBoxState at 27, Hidden at 41.
  auto build = [](int32_t v) {
    std::vector<uint8_t> d;
    auto record = [&](const std::string& text, int32_t children) {
      if (v < 0) PutI32(d, v);
      PutStr(d, text);
      int block = v == -10 ? 48 : v >= -9 && v <= -4 ? 44 : v == -3 ? 32 : 0;
      std::vector<uint8_t> b(static_cast<size_t>(block), 0);
      if (block > 0) {
        b[4] = 3;
        b[16] = 0x11;
        b[27] = 1;
        if (block == 44) b[41] = 1;
      }
      d.insert(d.end(), b.begin(), b.end());
      if (v >= -9 && v <= -6) d.push_back(1);
      PutI32(d, -1);
      PutStr(d, "hint");
      PutI32(d, 1);
      PutStr(d, "col");
      if (v < 0) d.push_back(0);
      PutI32(d, children);
    };
    record("", 1);
    record("c", 0);
    return d;
  };
  for (int32_t v : {-9, -5, -4, -3, -1, 0}) {
    SCOPED_TRACE(v);
    lumitest::TreeHost h;
    Load(h.tree, build(v));
    ASSERT_EQ(h.tree->Items()->Count(), 1);
    TElTreeItem* c = h.tree->Items()->Item(0);
    EXPECT_EQ(c->Text(), "c");
    EXPECT_EQ(c->Hint, "hint");
    EXPECT_EQ(c->ColumnText()->Strings(0), "col");
    bool has_block = v <= -3;
    EXPECT_EQ(c->ImageIndex(), has_block ? 3 : -1);
    EXPECT_EQ(c->Checked(), has_block);
    EXPECT_EQ(c->Hidden(), v == -9 || v == -5);
  }
}

TEST_F(StreamFixture, TruncationsAndMutationsRaiseAndLeaveTheTreeEmpty) {
  BuildThreeLevels();
  tree->Items()->Item(1)->SetUseStyles(true);
  std::vector<uint8_t> good = Save(tree);
  lumitest::TreeHost other;
  for (size_t n = 0; n < good.size(); ++n) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(n));
    EXPECT_THROW(Load(other.tree, cut), Exception) << n;
    ASSERT_EQ(other.tree->Items()->Count(), 0) << n;
    ASSERT_FALSE(other.tree->IsUpdating());
  }
  std::mt19937 rng(7);
  for (int round = 0; round < 400; ++round) {
    std::vector<uint8_t> bad = good;
    int flips = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < flips; ++i) bad[rng() % bad.size()] = static_cast<uint8_t>(rng());
    try {
      Load(other.tree, bad);
      Save(other.tree);
    } catch (const Exception&) {
      EXPECT_EQ(other.tree->Items()->Count(), 0);
    }
    ASSERT_FALSE(other.tree->IsUpdating());
  }
  // Negative lengths and unknown versions are read errors.
  std::vector<uint8_t> negative;
  PutI32(negative, -10);
  PutI32(negative, -5);
  EXPECT_THROW(Load(other.tree, negative), EReadError);
  std::vector<uint8_t> future;
  PutI32(future, -11);
  PutStr(future, "");
  EXPECT_THROW(Load(other.tree, future), EReadError);
}

TEST_F(StreamFixture, DeepNestingIsReadWithoutRecursion) {
  std::vector<uint8_t> d;
  const int depth = 20000;
  for (int i = 0; i <= depth; ++i) {
    PutI32(d, 0);  // version 0: text length 0, no block
    PutI32(d, 0);  // no column texts
    PutI32(d, i < depth ? 1 : 0);
  }
  Load(tree, d);
  EXPECT_EQ(tree->Items()->Count(), depth);
  std::vector<uint8_t> again = Save(tree);
  EXPECT_GT(again.size(), d.size());
}
