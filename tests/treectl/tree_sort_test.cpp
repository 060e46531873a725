// Sorting: typed keys from a column, header clicks, recursive sorts that keep
// the flat list in pre-order, stable order for equal keys, and compares that
// are no consistent order.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/treectl/tree_job_list.h"

using namespace lumicast;
using namespace classlib;

namespace {

struct SortFixture : ::testing::Test {
  lumitest::TreeHost host;
  TElTree* tree = host.tree;
  void SetUp() override {
    TElHeaderSection* s = tree->HeaderSections()->AppendSection();
    s->SetWidth(100);
    TElHeaderSection* s2 = tree->HeaderSections()->AppendSection();
    s2->SetWidth(100);
    tree->SetShowColumns(true);
  }
  std::vector<std::string> Texts(TElTreeItem* Parent = nullptr) {
    std::vector<std::string> out;
    TElTreeItem* p = Parent ? Parent : tree->Items()->Root();
    for (int i = 0; i < p->DirectChildCount(); ++i) out.push_back(p->Children(i)->Text());
    return out;
  }
  void Add(std::initializer_list<const char*> texts) {
    for (const char* t : texts) tree->Items()->AddLastChild(nullptr, t);
  }
  // Every item's subtree is one block right after it, in child order.
  void ExpectPreOrder() {
    std::vector<TElTreeItem*> expected;
    std::vector<TElTreeItem*> stack{tree->Items()->Root()};
    std::function<void(TElTreeItem*)> walk = [&](TElTreeItem* i) {
      for (int k = 0; k < i->DirectChildCount(); ++k) {
        expected.push_back(i->Children(k));
        walk(i->Children(k));
      }
    };
    walk(tree->Items()->Root());
    ASSERT_EQ(static_cast<int>(expected.size()), tree->Items()->Count());
    for (size_t k = 0; k < expected.size(); ++k)
      ASSERT_EQ(tree->Items()->Item(static_cast<int>(k)), expected[k]);
  }
};

}  // namespace

TEST_F(SortFixture, NumberKeysPutMissingKeysFirst) {
  tree->HeaderSections()->Item(0)->SetFieldType(sftNumber);
  Add({"10", "9", "100", "12a"});
  tree->SortAll();
  EXPECT_EQ(Texts(), (std::vector<std::string>{"12a", "9", "10", "100"}));
  tree->SetSortDir(sdDescend);
  tree->SortAll();
  EXPECT_EQ(Texts(), (std::vector<std::string>{"100", "10", "9", "12a"}));
}

TEST_F(SortFixture, DateKeysCompareWholeDaysAndTextIgnoresCase) {
  tree->HeaderSections()->Item(0)->SetFieldType(sftDate);
  tree->SetSortSection(1);
  tree->HeaderSections()->Item(1)->SetFieldType(sftDateTime);
  Add({"b", "a", "c"});
  const char* when[] = {"2024-05-02 18:00:00", "2024-05-02 08:00:00", "2023-01-01 00:00:00"};
  for (int i = 0; i < 3; ++i) tree->Items()->Item(i)->ColumnText()->Add(when[i]);
  tree->SortAll();
  EXPECT_EQ(Texts(), (std::vector<std::string>{"c", "a", "b"}));
  // By whole days the two of 2024-05-02 are equal and keep their order.
  tree->HeaderSections()->Item(1)->SetFieldType(sftDate);
  for (int i = 0; i < 3; ++i) {
    TElTreeItem* item = tree->Items()->Item(i);
    std::string t = item->ColumnText()->Strings(0).substr(0, 10);
    item->ColumnText()->Clear();
    item->ColumnText()->Add(t);
  }
  tree->SortAll();
  EXPECT_EQ(Texts(), (std::vector<std::string>{"c", "a", "b"}));
  tree->SetSortSection(0);
  tree->HeaderSections()->Item(0)->SetFieldType(sftText);
  tree->Items()->Item(0)->SetText("Zed");
  tree->Items()->Item(1)->SetText("apple");
  tree->Items()->Item(2)->SetText("Äpfel");
  tree->SortAll();
  // Case folded, then by code point: the same order on every machine.
  EXPECT_EQ(Texts(), (std::vector<std::string>{"apple", "Zed", "Äpfel"}));
  tree->Items()->Item(0)->SetText("äpfel");
  tree->SortAll();
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Zed", "Äpfel", "äpfel"}));
}

TEST_F(SortFixture, HeaderClicksSortInSortDirThenReverse) {
  tree->SetSortMode(smClick);
  tree->HeaderSections()->Item(0)->SetFieldType(sftText);
  Add({"b", "c", "a"});
  std::vector<int> clicks;
  tree->OnHeaderColumnClick = [&](TObject*, int i) { clicks.push_back(i); };
  tree->Header()->OnSectionClick(tree->Header(), tree->HeaderSections()->Item(0));
  EXPECT_EQ(Texts(), (std::vector<std::string>{"a", "b", "c"}));
  tree->Header()->OnSectionClick(tree->Header(), tree->HeaderSections()->Item(0));
  EXPECT_EQ(Texts(), (std::vector<std::string>{"c", "b", "a"}));
  EXPECT_EQ(clicks, (std::vector<int>{0, 0}));
}

TEST_F(SortFixture, RecursiveSortKeepsSubtreesInPreOrder) {
  tree->HeaderSections()->Item(0)->SetFieldType(sftText);
  std::mt19937 rng(3);
  TElTreeItems* items = tree->Items();
  for (int i = 0; i < 200; ++i) {
    int count = items->Count();
    TElTreeItem* parent =
        count > 0 && rng() % 3 ? items->Item(static_cast<int>(rng() % count)) : nullptr;
    items->AddLastChild(parent, std::to_string(rng() % 50));
  }
  tree->SortAll();
  ExpectPreOrder();
  for (int i = 0; i < items->Count(); ++i) {
    TElTreeItem* item = items->Item(i);
    for (int k = 1; k < item->DirectChildCount(); ++k)
      EXPECT_LE(item->Children(k - 1)->Text(), item->Children(k)->Text());
  }
}

TEST_F(SortFixture, EqualKeysKeepTheirOrderWithoutAHandler) {
  tree->SetShowColumns(false);
  Add({"c", "a", "b", "a"});
  tree->SortAll();  // without columns the handler decides; none: all equal
  EXPECT_EQ(Texts(), (std::vector<std::string>{"c", "a", "b", "a"}));
}

TEST_F(SortFixture, InconsistentComparesStillEnd) {
  tree->SetShowColumns(false);
  for (int i = 0; i < 300; ++i) tree->Items()->AddLastChild(nullptr, std::to_string(i));
  std::mt19937 rng(11);
  for (int mode = 0; mode < 2; ++mode) {
    tree->OnCompareItems = [&](TObject*, TElTreeItem*, TElTreeItem*, int& res) {
      res = mode == 0 ? -1 : static_cast<int>(rng() % 3) - 1;
    };
    tree->SortAll();
    std::vector<std::string> texts = Texts();
    std::sort(texts.begin(), texts.end());
    std::vector<std::string> expected;
    for (int i = 0; i < 300; ++i) expected.push_back(std::to_string(i));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(texts, expected);
    ExpectPreOrder();
  }
}

TEST_F(SortFixture, SortSectionNamingNoSectionUsesTheHandler) {
  tree->SetSortSection(7);
  Add({"2", "1"});
  int calls = 0;
  tree->OnCompareItems = [&](TObject*, TElTreeItem* a, TElTreeItem* b, int& res) {
    ++calls;
    res = a->Text().compare(b->Text());
  };
  tree->SortAll();
  EXPECT_GT(calls, 0);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"1", "2"}));
}
