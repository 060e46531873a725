#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "tests/treectl/fake_tree.h"
#include "treectl/tree_items.h"

using namespace lumicast;
using lumitest::FakeTree;

namespace {

// Texts of the flat list, space separated.
std::string FlatTexts(FakeTree& t) {
  std::string s;
  for (int i = 0; i < t.items->Count(); ++i) {
    if (!s.empty()) s += ' ';
    s += t.items->Item(i)->Text();
  }
  return s;
}

std::string ChildTexts(TElTreeItem* parent) {
  std::string s;
  for (int i = 0; i < parent->DirectChildCount(); ++i) {
    if (!s.empty()) s += ' ';
    s += parent->Children(i)->Text();
  }
  return s;
}

// Checks the flat-list invariants against the children lists.
void ExpectConsistent(FakeTree& t) {
  std::vector<TElTreeItem*> order;
  std::function<void(TElTreeItem*)> walk = [&](TElTreeItem* item) {
    for (int i = 0; i < item->DirectChildCount(); ++i) {
      TElTreeItem* child = item->Children(i);
      ASSERT_EQ(child->Parent(), item->IsRoot() ? nullptr : item);
      ASSERT_EQ(child->Index(), i);
      order.push_back(child);
      walk(child);
    }
  };
  walk(t.items->Root());
  ASSERT_EQ(t.items->Count(), static_cast<int>(order.size()));
  for (int i = 0; i < static_cast<int>(order.size()); ++i) {
    ASSERT_EQ(t.items->Item(i), order[i]) << "flat position " << i;
    ASSERT_EQ(order[i]->FlatIndex(), i);
    int last = order[i]->LastDescendant()->FlatIndex();
    for (int j = i; j <= last; ++j) ASSERT_TRUE(t.items->Item(j)->LiesWithin(order[i]));
    if (last + 1 < t.items->Count()) {
      ASSERT_FALSE(t.items->Item(last + 1)->LiesWithin(order[i]));
    }
  }
  ASSERT_EQ(t.update_count, 0);
  ASSERT_EQ(t.deletion_count, 0);
}

// The reference model: children lists of ids, id 0 the root.
struct Model {
  std::map<int, std::vector<int>> children{{0, {}}};
  std::map<int, int> parent;

  void Insert(int p, int index, int id) {
    auto& c = children[p];
    c.insert(c.begin() + index, id);
    children[id];
    parent[id] = p;
  }
  bool Within(int item, int ancestor) const {  // item is ancestor or under it
    for (int p = item; p != 0; p = parent.at(p))
      if (p == ancestor) return true;
    return false;
  }
  void Move(int id, int new_parent, int index) {
    auto& old = children[parent[id]];
    old.erase(std::find(old.begin(), old.end(), id));
    auto& c = children[new_parent];
    index = std::min<int>(index, static_cast<int>(c.size()));
    c.insert(c.begin() + index, id);
    parent[id] = new_parent;
  }
  void Erase(int id) {
    for (int child : std::vector<int>(children[id])) Erase(child);
    auto& siblings = children[parent[id]];
    siblings.erase(std::find(siblings.begin(), siblings.end(), id));
    children.erase(id);
    parent.erase(id);
  }
  void PreOrder(int id, std::vector<int>& out) const {
    for (int child : children.at(id)) {
      out.push_back(child);
      PreOrder(child, out);
    }
  }
};

}  // namespace

TEST(TreeItems, RandomEditsKeepTheFlatListInStep) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    FakeTree t;
    Model model;
    std::mt19937 rng(seed);
    std::map<int, TElTreeItem*> by_id;
    by_id[0] = t.items->Root();
    int next_id = 1;
    auto pick = [&](bool with_root) {
      std::vector<int> ids;
      for (auto& [id, item] : by_id)
        if (id != 0 || with_root) ids.push_back(id);
      if (ids.empty()) return 0;
      return ids[std::uniform_int_distribution<size_t>(0, ids.size() - 1)(rng)];
    };
    auto node = [&](int id) { return id == 0 ? nullptr : by_id[id]; };

    for (int step = 0; step < 400; ++step) {
      int op = std::uniform_int_distribution<int>(0, 9)(rng);
      if (op <= 3 || by_id.size() < 3) {
        int p = pick(true);
        int id = next_id++;
        TElTreeItem* item;
        int count = static_cast<int>(model.children[p].size());
        if (op % 2 == 0) {
          item = t.items->AddItem(node(p));
          model.Insert(p, count, id);
        } else {
          int index = std::uniform_int_distribution<int>(0, count)(rng);
          item = t.items->InsertItem(index, node(p));
          model.Insert(p, index, id);
        }
        item->UserValue = static_cast<uint32_t>(id);
        item->SetText(std::to_string(id));
        by_id[id] = item;
      } else if (op <= 6) {
        int id = pick(false);
        int np = pick(true);
        if (model.Within(np, id)) {
          if (np != id) {
            EXPECT_THROW(by_id[id]->MoveToChildAt(node(np), 0), EElTreeError);
          }
          continue;
        }
        int limit = static_cast<int>(model.children[np].size());
        int index = std::uniform_int_distribution<int>(0, limit)(rng);
        by_id[id]->MoveToChildAt(node(np), index);
        // Among the same siblings the index is where the item ends up.
        model.Move(id, np, index);
      } else if (op == 7) {
        int id = pick(false);
        int target = pick(false);
        if (id == target || model.Within(target, id)) continue;
        by_id[id]->MoveTo(by_id[target], 4);
        int p = model.parent[target];
        auto& c = model.children[p];
        auto& old = model.children[model.parent[id]];
        old.erase(std::find(old.begin(), old.end(), id));
        c.insert(std::find(c.begin(), c.end(), target), id);
        model.parent[id] = p;
      } else {
        int id = pick(false);
        std::vector<int> gone;
        model.PreOrder(id, gone);
        gone.push_back(id);
        t.items->DeleteItem(by_id[id]);
        model.Erase(id);
        for (int g : gone) by_id.erase(g);
      }
      std::vector<int> expected;
      model.PreOrder(0, expected);
      ASSERT_EQ(t.items->Count(), static_cast<int>(expected.size()))
          << "seed " << seed << " step " << step;
      for (int i = 0; i < static_cast<int>(expected.size()); ++i)
        ASSERT_EQ(t.items->Item(i)->UserValue, static_cast<uint32_t>(expected[i]))
            << "seed " << seed << " step " << step << " position " << i;
      ASSERT_NO_FATAL_FAILURE(ExpectConsistent(t));
    }
  }
}

TEST(TreeItems, AddingPlacesTheItemAfterTheParentsSubtree) {
  FakeTree t;
  TElTreeItem* a = t.items->AddLastChild(nullptr, "a");
  t.items->AddLastChild(a, "a1");
  TElTreeItem* b = t.items->AddLastChild(nullptr, "b");
  t.items->AddLastChild(nullptr, "c");
  t.items->AddLastChild(a, "a2");  // middle of the list: after a1
  t.items->AddFirstChild(b, "b0");
  t.items->InsertBefore(b, "ab");
  t.items->InsertAfter(a->Children(0), "a1+");
  t.items->AddFirstSibling(nullptr, "first");
  EXPECT_EQ(FlatTexts(t), "first a a1 a1+ a2 ab b b0 c");
  EXPECT_EQ(ChildTexts(a), "a1 a1+ a2");
  EXPECT_EQ(a->Children(2)->Level(), 1);
  EXPECT_EQ(t.items->Root()->Level(), -1);
  EXPECT_EQ(t.items->Root()->Index(), -1);
  EXPECT_TRUE(t.items->Root()->Expanded());

  int tag = 5;
  TElTreeItem* d = t.items->AddLastSiblingWithData(b, "d", &tag);
  EXPECT_EQ(d->Data, &tag);
  EXPECT_EQ(t.items->Item(t.items->Count()), nullptr);
  EXPECT_EQ(t.items->Item(-1), nullptr);
  EXPECT_EQ(t.items->IndexOf(nullptr), -1);
  EXPECT_EQ(d->Children(0), nullptr);
  EXPECT_THROW(a->Children(3), EElListError);
  ExpectConsistent(t);
}

TEST(TreeItems, BadIndexOrTargetChangesNothing) {
  FakeTree t;
  int made = 0;
  t.items->ItemClass = [&](TElTreeHost* tree) {
    ++made;
    return new TElTreeItem(tree);
  };
  TElTreeItem* a = t.items->AddLastChild(nullptr, "a");
  TElTreeItem* a1 = t.items->AddLastChild(a, "a1");
  made = 0;
  try {
    t.items->InsertItem(2, a);
    FAIL();
  } catch (const EElTreeError& e) {
    EXPECT_EQ(e.Message(), "ElTree item index out of bounds.");
  }
  EXPECT_THROW(t.items->InsertItem(-1, nullptr), EElTreeError);
  EXPECT_EQ(made, 0);  // nothing created, so nothing leaked
  EXPECT_EQ(t.update_count, 0);

  try {
    a->MoveToChildAt(a1, 0);
    FAIL();
  } catch (const EElTreeError& e) {
    EXPECT_EQ(e.Message(), "Can't move Item to one of its subitems.");
  }
  TElTreeItem* b = t.items->AddLastChild(nullptr, "b");
  EXPECT_THROW(b->MoveToChildAt(a, 5), EElTreeError);
  EXPECT_THROW(b->MoveToChildAt(nullptr, -1), EElTreeError);
  try {
    b->MoveTo(nullptr, 0);
    FAIL();
  } catch (const EElTreeError& e) {
    EXPECT_EQ(e.Message(), "ElTree item not specified");
  }
  a->MoveToChildAt(a, 0);  // onto itself: nothing happens
  EXPECT_EQ(FlatTexts(t), "a a1 b");
  ExpectConsistent(t);
}

TEST(TreeItems, MovesKeepSubtreesTogether) {
  FakeTree t;
  TElTreeItem* a = t.items->AddLastChild(nullptr, "a");
  t.items->AddLastChild(a, "a1");
  TElTreeItem* b = t.items->AddLastChild(nullptr, "b");
  t.items->AddLastChild(b, "b1");
  t.items->AddLastChild(nullptr, "c");

  a->MoveTo(b, 0);  // last child of b's parent: to the very end
  EXPECT_EQ(FlatTexts(t), "b b1 c a a1");
  a->MoveTo(b, 4);  // just before b
  EXPECT_EQ(FlatTexts(t), "a a1 b b1 c");
  TElTreeItem* c = t.items->Item(4);
  a->MoveTo(c, 4);  // before a later sibling: still directly before it
  EXPECT_EQ(FlatTexts(t), "b b1 a a1 c");
  c->MoveTo(b, 3);  // first child of b
  EXPECT_EQ(FlatTexts(t), "b c b1 a a1");
  b->MoveTo(a, 2);  // last child of a, with its subtree
  EXPECT_EQ(FlatTexts(t), "a a1 b c b1");
  EXPECT_EQ(b->Level(), 1);
  b->MoveTo(nullptr, 1);
  EXPECT_EQ(FlatTexts(t), "b c b1 a a1");
  ExpectConsistent(t);
}

TEST(TreeItems, ReorderingChildrenRewritesOnlyTheirBlock) {
  FakeTree t;
  TElTreeItem* x = t.items->AddLastChild(nullptr, "x");
  TElTreeItem* p = t.items->AddLastChild(nullptr, "p");
  TElTreeItem* a = t.items->AddLastChild(p, "a");
  t.items->AddLastChild(a, "a1");
  TElTreeItem* b = t.items->AddLastChild(p, "b");
  TElTreeItem* c = t.items->AddLastChild(p, "c");
  TElTreeItem* c1 = t.items->AddLastChild(c, "c1");
  TElTreeItem* c2 = t.items->AddLastChild(c, "c2");
  t.items->AddLastChild(nullptr, "z");

  p->ReorderChildren({c, a, b});
  EXPECT_EQ(FlatTexts(t), "x p c c1 c2 a a1 b z");
  ExpectConsistent(t);
  // A child's own order, already changed, is followed when the parent's
  // block is rewritten (the recursive sort reorders inner lists first).
  c->ReorderChildren({c2, c1});
  EXPECT_EQ(FlatTexts(t), "x p c c2 c1 a a1 b z");
  t.items->Root()->ReorderChildren({t.items->Item(8), p, x});
  EXPECT_EQ(FlatTexts(t), "z p c c2 c1 a a1 b x");
  ExpectConsistent(t);

  // Anything but a permutation of the children changes nothing.
  EXPECT_THROW(p->ReorderChildren({c, a}), EElTreeError);
  EXPECT_THROW(p->ReorderChildren({c, a, a}), EElTreeError);
  EXPECT_THROW(p->ReorderChildren({c, a, x}), EElTreeError);
  EXPECT_EQ(FlatTexts(t), "z p c c2 c1 a a1 b x");
  ExpectConsistent(t);
}

TEST(TreeItems, DeletionOrderAndFocusMoves) {
  FakeTree t;
  TElTreeItem* a = t.items->AddLastChild(nullptr, "a");
  TElTreeItem* a1 = t.items->AddLastChild(a, "a1");
  t.items->AddLastChild(a1, "a1a");
  t.items->AddLastChild(a, "a2");
  TElTreeItem* b = t.items->AddLastChild(nullptr, "b");
  TElTreeItem* c = t.items->AddLastChild(nullptr, "c");

  t.log.clear();
  t.items->DeleteItem(a);
  EXPECT_EQ(t.Events("delete"),
            (std::vector<std::string>{"delete a2", "delete a1a", "delete a1", "delete a"}));
  EXPECT_EQ(FlatTexts(t), "b c");

  // Focused top-level item: the previous sibling, or the next one when first;
  // the veto of OnChanging does not hold the focus on a dying item.
  t.on_changing = [](TElTreeItem*, bool& allow) { allow = false; };
  t.focus = c;
  c->SetStateBit(stiFocused, true);
  t.items->DeleteItem(c);
  EXPECT_EQ(t.focus, b);
  TElTreeItem* d = t.items->AddLastChild(nullptr, "d");
  t.items->DeleteItem(b);
  EXPECT_EQ(t.focus, d);
  EXPECT_TRUE(d->Focused());

  // A focused child hands the focus to its parent.
  TElTreeItem* d1 = t.items->AddLastChild(d, "d1");
  t.on_changing = nullptr;
  d1->SetFocused(true);
  EXPECT_EQ(t.focus, d1);
  d1->Delete();
  EXPECT_EQ(t.focus, d);

  // No neighbour can take the focus: it is dropped, never left on the freed item.
  TElTreeItem* e = t.items->AddLastChild(nullptr, "e");
  d->Selectable = false;
  e->SetFocused(true);
  t.items->DeleteItem(e);
  EXPECT_EQ(t.focus, nullptr);
  EXPECT_EQ(t.anchor, nullptr);

  // The deletion handler refocusing the dying item does not leave it focused.
  TElTreeItem* f = t.items->AddLastChild(nullptr, "f");
  t.on_deletion = [&](TElTreeItem* item) { t.focus = item; };
  t.items->DeleteItem(f);
  EXPECT_EQ(t.focus, nullptr);
  t.on_deletion = nullptr;

  t.items->DeleteItem(nullptr);
  t.items->DeleteItem(t.items->Root());
  EXPECT_EQ(FlatTexts(t), "d");
  ExpectConsistent(t);
}

TEST(TreeItems, DeletingMovesTheAnchorAndEmptiesTheSelection) {
  FakeTree t;
  t.SetMultiSelect(true);
  TElTreeItem* a = t.items->AddLastChild(nullptr, "a");
  TElTreeItem* b = t.items->AddLastChild(nullptr, "b");
  TElTreeItem* b1 = t.items->AddLastChild(b, "b1");
  b->SetSelected(true);
  b1->SetSelected(true);
  t.anchor = b1;
  EXPECT_EQ(t.selected->Count(), 2);
  t.log.clear();
  t.items->DeleteItem(b1);
  EXPECT_EQ(t.anchor, b);  // a deeper item passes the anchor to its parent
  EXPECT_EQ(t.Events("selected"), std::vector<std::string>{"selected b1"});
  t.items->DeleteItem(b);
  EXPECT_EQ(t.anchor, a);
  EXPECT_EQ(t.selected->Count(), 0);
  t.items->Clear();
  EXPECT_EQ(t.items->Count(), 0);
  EXPECT_EQ(t.anchor, nullptr);
}

TEST(TreeItems, HandlerFailuresRestoreCounters) {
  FakeTree t;
  TElTreeItem* a = t.items->AddLastChild(nullptr, "a");
  TElTreeItem* a1 = t.items->AddLastChild(a, "a1");
  t.items->AddLastChild(a1, "a1a");
  t.on_deletion = [](TElTreeItem* item) {
    if (item->Text() == "a1") throw classlib::Exception("refused");
  };
  EXPECT_THROW(t.items->DeleteItem(a), classlib::Exception);
  EXPECT_EQ(t.update_count, 0);
  EXPECT_EQ(t.deletion_count, 0);
  EXPECT_EQ(FlatTexts(t), "a a1");  // a1a went; a1 and a stay whole
  ExpectConsistent(t);
  t.on_deletion = nullptr;

  t.on_expand = [](TElTreeItem*) { throw classlib::Exception("no"); };
  EXPECT_THROW(a1->Expand(false), classlib::Exception);
  EXPECT_EQ(t.update_count, 0);
  EXPECT_THROW(a->SetExpanded(true), classlib::Exception);
  EXPECT_EQ(t.update_count, 0);
  TElTreeItem* g = t.items->AddLastChild(nullptr, "g");
  EXPECT_THROW(t.items->AddLastChild(g, "g1")->SetFullyExpanded(true), classlib::Exception);
  EXPECT_EQ(t.update_count, 0);
}

TEST(TreeItems, CheckBoxesAndRadioButtons) {
  FakeTree t;
  TElTreeItem* p = t.items->AddLastChild(nullptr, "p");
  TElTreeItem* q = t.items->AddLastChild(nullptr, "q");
  std::vector<TElTreeItem*> radios;
  for (int i = 0; i < 3; ++i) {
    TElTreeItem* r = t.items->AddLastChild(p, "r" + std::to_string(i));
    r->SetCheckBoxType(ectRadioButton);
    radios.push_back(r);
  }
  TElTreeItem* box = t.items->AddLastChild(p, "box");
  TElTreeItem* other = t.items->AddLastChild(q, "other");
  other->SetCheckBoxType(ectRadioButton);
  other->SetChecked(true);
  box->SetChecked(true);
  radios[0]->SetChecked(true);
  radios[2]->SetChecked(true);
  EXPECT_FALSE(radios[0]->Checked());
  EXPECT_TRUE(radios[2]->Checked());
  EXPECT_TRUE(box->Checked());    // not a radio button
  EXPECT_TRUE(other->Checked());  // different parent

  // Grayed: Checked reads false, and both assignments leave the grayed state.
  box->SetCheckBoxState(cbGrayed);
  EXPECT_FALSE(box->Checked());
  box->SetChecked(false);
  EXPECT_EQ(box->CheckBoxState(), cbUnchecked);
  box->SetCheckBoxState(cbGrayed);
  box->SetChecked(true);
  EXPECT_EQ(box->CheckBoxState(), cbChecked);

  // None of this reports a change or a check event to the tree.
  EXPECT_TRUE(t.Events("state").empty());
  EXPECT_TRUE(t.Events("check").empty());
}

TEST(TreeItems, ExpandCollapseAndVisibleSequence) {
  FakeTree t;
  TElTreeItem* a = t.items->AddLastChild(nullptr, "a");
  TElTreeItem* a1 = t.items->AddLastChild(a, "a1");
  TElTreeItem* a1x = t.items->AddLastChild(a1, "a1x");
  TElTreeItem* b = t.items->AddLastChild(nullptr, "b");
  EXPECT_EQ(t.items->VisibleCount(), 2);
  EXPECT_EQ(a1x->VisibleIndex(), -1);
  EXPECT_FALSE(a1x->FullyExpanded());
  a1x->SetFullyExpanded(true);
  EXPECT_TRUE(a->Expanded() && a1->Expanded());
  EXPECT_EQ(t.items->VisibleCount(), 4);
  EXPECT_EQ(t.items->VisibleItem(3), b);
  EXPECT_EQ(t.items->VisibleItem(4), nullptr);

  // Collapse moves the focus out of the subtree when asked to.
  t.move_focus_on_collapse = true;
  a1x->SetFocused(true);
  t.on_collapsing = [](TElTreeItem* item, bool& can) { can = item->Text() != "b"; };
  t.log.clear();
  a->Collapse(true);
  EXPECT_EQ(t.focus, a);
  EXPECT_FALSE(a1->Expanded());
  EXPECT_EQ(t.Events("collapse "),
            (std::vector<std::string>{"collapse a", "collapse a1", "collapse a1x"}));
  b->SetExpanded(true);
  b->Collapse(false);  // vetoed
  EXPECT_TRUE(b->Expanded());

  // Hidden items leave the visible sequence only under filtered visibility.
  a->Expand(true);
  a1->SetHidden(true);
  EXPECT_EQ(t.hidden_count, 1);
  EXPECT_EQ(t.items->VisibleCount(), 4);
  t.filtered = true;
  EXPECT_EQ(t.items->VisibleCount(), 2);
  EXPECT_EQ(a->SubtreeHeight(), 0);
  EXPECT_FALSE(a1x->FullyVisible());
  a1x->SetFullyVisible(true);
  EXPECT_EQ(t.hidden_count, 0);
  EXPECT_EQ(a->SubtreeHeight(), 36);
  a1->SetHidden(true);
  t.items->DeleteItem(a1);
  EXPECT_EQ(t.hidden_count, 0);
}

TEST(TreeItems, WalksAndSearch) {
  FakeTree t;
  TElTreeItem* a = t.items->AddLastChild(nullptr, "a");
  t.items->AddLastChild(a, "a1");
  TElTreeItem* b = t.items->AddLastChild(nullptr, "b");
  t.items->AddLastChild(b, "b1");
  t.items->AddLastChild(nullptr, "c");
  b->Expand(false);

  auto collect = [](std::vector<std::string>* out, int stop_after) {
    return [out, stop_after](TElTreeItem* item, int index, bool& go_on, TElTreeHost*, void*) {
      out->push_back(item->Text() + ":" + std::to_string(index));
      if (static_cast<int>(out->size()) == stop_after) go_on = false;
    };
  };
  std::vector<std::string> seen;
  t.items->ForEach(false, collect(&seen, 0), nullptr);
  EXPECT_EQ(seen, (std::vector<std::string>{"a:0", "a1:1", "b:2", "b1:3", "c:4"}));
  seen.clear();
  t.items->ForEach(true, collect(&seen, 0), nullptr);
  EXPECT_EQ(seen, (std::vector<std::string>{"a:0", "b:1", "b1:2", "c:3"}));
  seen.clear();
  t.items->ForEachBackward(true, collect(&seen, 2), nullptr);
  EXPECT_EQ(seen, (std::vector<std::string>{"c:3", "b1:2"}));
  seen.clear();
  t.items->ForEachFrom(false, collect(&seen, 0), b, nullptr);
  EXPECT_EQ(seen, (std::vector<std::string>{"b:2", "b1:3", "c:4"}));
  seen.clear();
  t.items->ForEachBackwardFrom(false, collect(&seen, 0), b, nullptr);
  EXPECT_EQ(seen, (std::vector<std::string>{"a1:1", "a:0"}));

  auto starts_with = [](TElTreeItem* item, void* data) {
    return item->Text()[0] == *static_cast<char*>(data);
  };
  char letter = 'b';
  EXPECT_EQ(t.items->FindItem(b, false, false, false, starts_with, &letter)->Text(), "b1");
  EXPECT_EQ(t.items->FindItem(b, true, false, false, starts_with, &letter), b);
  letter = 'c';
  EXPECT_EQ(t.items->FindItem(b, true, true, false, starts_with, &letter), nullptr);
  letter = 'a';
  EXPECT_EQ(t.items->FindItem(nullptr, true, false, true, starts_with, &letter), a);
  EXPECT_EQ(t.items->FindItem(a, false, false, true, starts_with, &letter), nullptr);  // a1 hidden
}

TEST(TreeItems, AssignCopiesTheSubtreeButNotFocus) {
  FakeTree t;
  TElTreeItem* a = t.items->AddLastChild(nullptr, "a");
  TElTreeItem* a1 = t.items->AddLastChild(a, "a1");
  t.items->AddLastChild(a1, "a1a");
  t.items->AddLastChild(a, "a2")->SetHidden(true);
  a->ColumnText()->Add("col");
  a->SetBold(true);
  a->SetCheckBoxState(cbGrayed);
  a->AddStyle()->TextColor = classlib::clRed;
  a->SetFocused(true);
  TElTreeItem* z = t.items->AddLastChild(nullptr, "z");
  t.items->AddLastChild(z, "old");

  z->Assign(a);
  EXPECT_EQ(FlatTexts(t), "a a1 a1a a2 a a1 a1a a2");
  EXPECT_EQ(z->ColumnText()->Count(), 1);
  EXPECT_TRUE(z->Bold());
  EXPECT_FALSE(z->Focused());
  EXPECT_EQ(z->CheckBoxState(), cbGrayed);
  EXPECT_EQ(z->StylesCount(), 1);
  EXPECT_EQ(z->Styles(0)->TextColor, classlib::clRed);
  EXPECT_EQ(t.hidden_count, 2);
  ExpectConsistent(t);

  // Into its own subtree, or from it: refused rather than looping or freeing the source.
  EXPECT_THROW(a1->Assign(a), classlib::EConvertError);
  EXPECT_THROW(a->Assign(a1), classlib::EConvertError);

  // Whole collections, across trees.
  FakeTree other;
  other.items->Assign(t.items.get());
  EXPECT_EQ(FlatTexts(other), FlatTexts(t));
  ExpectConsistent(other);
}

TEST(TreeItems, TextAndMovesResortUnderSortOnAdd) {
  FakeTree t;
  TElTreeItem* a = t.items->AddLastChild(nullptr, "a");
  TElTreeItem* b = t.items->AddLastChild(nullptr, "b");
  t.sort_mode = smAdd;
  t.log.clear();
  b->SetText("bb");
  EXPECT_EQ(t.Events("sort"), (std::vector<std::string>{"sort begin", "sort root", "sort end"}));
  t.log.clear();
  t.items->BeginUpdate();
  b->MoveToChildAt(a, 0);
  EXPECT_TRUE(t.Events("sort").empty());
  EXPECT_TRUE(t.resort_pending);
  t.items->EndUpdate();

  t.resort_pending = false;
  t.sort_section = 2;  // a section other than the main column: text changes do not sort
  a->SetText("x");
  EXPECT_FALSE(t.resort_pending);
  t.sections = 3;
  t.items->BeginUpdate();
  b->ColumnText()->Add("1");  // column texts sort while the section exists
  t.items->EndUpdate();
  EXPECT_TRUE(t.resort_pending);
}

TEST(TreeItems, StateFlagsAndStyles) {
  FakeTree t;
  TElTreeItem* a = t.items->AddLastChild(nullptr, "a");
  t.log.clear();
  a->SetBold(true);
  a->SetBold(true);
  a->SetStrikeOut(true);
  EXPECT_EQ(t.Events("state"), (std::vector<std::string>{"state a", "state a"}));
  EXPECT_EQ(a->StateSet(), (1u << stiBold) | (1u << stiStrikeOut));
  EXPECT_EQ(a->StateWord(), (1u << 4) | (1u << 7));
  a->SetStateBit(stiSelected, true);
  EXPECT_TRUE(a->Selected());
  a->SetSelected(false);  // single-select: the view owns the selection
  EXPECT_TRUE(a->Selected());

  a->SetUseStyles(true);
  TElCellStyle* s1 = a->AddStyle();
  EXPECT_EQ(s1->FontName, "");  // copies the main style after the tree font
  EXPECT_EQ(s1->TextDrawFlags, 0x8824u);
  a->MainStyle()->FontName = "Mono";
  TElCellStyle* s2 = a->AddStyle();
  EXPECT_EQ(s2->FontName, "Mono");
  a->RemoveStyle(s1);
  EXPECT_EQ(a->StylesCount(), 1);
  EXPECT_EQ(a->Styles(0), s2);
  auto* control = new TElCellControl;
  s2->SetControl(control);
  EXPECT_EQ(control->Owner(), s2);
  a->SetUseStyles(false);
  EXPECT_EQ(a->StylesCount(), 0);
  EXPECT_EQ(a->Styles(0), nullptr);
}
