#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "treectl/el_list.h"

using namespace lumicast;

namespace {

// Entries are small integers disguised as pointers.
void* P(intptr_t v) { return reinterpret_cast<void*>(v); }
intptr_t V(void* p) { return reinterpret_cast<intptr_t>(p); }

std::string Letters(const TElList& list) {
  std::string s;
  for (int i = 0; i < list.Count(); ++i) s += static_cast<char>(V(list.UncheckedGet(i)));
  return s;
}

void Fill(TElList& list, const std::string& letters) {
  for (char c : letters) list.Add(P(c));
}

struct Counted : classlib::TObject {
  explicit Counted(int* deaths) : deaths_(deaths) {}
  ~Counted() override { ++*deaths_; }
  int* deaths_;
};

}  // namespace

TEST(ElList, GrowsAndShrinksInSteps) {
  TElList list;
  EXPECT_EQ(list.Capacity(), 0);
  for (int i = 0; i < 256; ++i) list.Add(P(i + 1));
  EXPECT_EQ(list.Capacity(), 256);
  EXPECT_EQ(list.Add(P(257)), 256);
  EXPECT_EQ(list.Capacity(), 512);

  // Back to 255 entries: 255 < 512 - 256, so one step down.
  list.Delete(0);
  list.Delete(0);
  EXPECT_EQ(list.Count(), 255);
  EXPECT_EQ(list.Capacity(), 256);
  // Far below: still only one step per call.
  list.DeleteRange(0, 199);
  EXPECT_EQ(list.Count(), 55);
  EXPECT_EQ(list.Capacity(), 256);  // 55 < 0 is false
  list.Clear();
  EXPECT_EQ(list.Capacity(), 0);
}

TEST(ElList, MoveRangeExamples) {
  TElList a;
  Fill(a, "ABCDE");
  a.MoveRange(0, 1, 4);
  EXPECT_EQ(Letters(a), "CDABE");

  TElList b;
  Fill(b, "ABCDE");
  b.MoveRange(3, 4, 0);
  EXPECT_EQ(Letters(b), "DEABC");

  TElList c;
  Fill(c, "ABCDE");
  c.MoveRange(1, 1, 3);  // single entry forward: lands before D
  EXPECT_EQ(Letters(c), "ACBDE");

  // Destination inside the block, outside the list, or a reversed block.
  EXPECT_THROW(c.MoveRange(1, 3, 2), EElListError);
  EXPECT_THROW(c.MoveRange(0, 1, 5), EElListError);
  EXPECT_THROW(c.MoveRange(3, 1, 0), EElListError);
  EXPECT_EQ(Letters(c), "ACBDE");
}

TEST(ElList, MoveAndInsert) {
  TElList list;
  Fill(list, "ABCD");
  list.Move(0, 3);
  EXPECT_EQ(Letters(list), "BCDA");
  list.Move(3, 0);
  EXPECT_EQ(Letters(list), "ABCD");
  list.Insert(4, P('E'));
  list.Insert(0, P('Z'));
  EXPECT_EQ(Letters(list), "ZABCDE");
  EXPECT_THROW(list.Insert(7, P('X')), EElListError);
  // The source index is checked as well as the destination.
  EXPECT_THROW(list.Move(6, 0), EElListError);
  EXPECT_THROW(list.Move(0, 6), EElListError);
  EXPECT_EQ(Letters(list), "ZABCDE");
}

TEST(ElList, ErrorsNameTheIndex) {
  TElList list;
  Fill(list, "AB");
  try {
    list.Get(2);
    FAIL();
  } catch (const EElListError& e) {
    EXPECT_EQ(e.Message(), "List index [2] out of bounds...");
  }
  EXPECT_THROW(list.Put(-1, nullptr), EElListError);
  EXPECT_THROW(list.Delete(2), EElListError);
  EXPECT_THROW(list.IndexOfStartingAt(2, P('A')), EElListError);
  EXPECT_THROW(list.DetachAt(-1), EElListError);
  EXPECT_THROW(list.DeleteRange(1, 0), EElListError);
  EXPECT_THROW(list.SetCapacity(1), EElListError);
  EXPECT_THROW(list.SetCapacity(kElMaxListSize + 1), EElListError);
  EXPECT_THROW(list.SetCount(-1), EElListError);
  EXPECT_EQ(Letters(list), "AB");
}

TEST(ElList, NotificationsAndOwnership) {
  TElList list;
  std::vector<intptr_t> left;
  list.OnDelete = [&](TElList* sender, void* item) {
    EXPECT_EQ(sender, &list);
    left.push_back(V(item));
  };
  Fill(list, "ABCDE");
  EXPECT_EQ(list.Remove(P('Q')), -1);
  EXPECT_TRUE(left.empty());
  EXPECT_EQ(list.Remove(P('B')), 1);
  list.Put(0, P('X'));     // old entry A notified
  list.DetachAt(0);        // X leaves silently
  list.DeleteRange(0, 1);  // C, D
  list.SetCount(0);        // E dropped without notification
  EXPECT_EQ(left, (std::vector<intptr_t>{'B', 'A', 'C', 'D'}));

  // With FreeObjects, Delete and Clear free; Remove never does.
  int deaths = 0;
  TElList owning;
  owning.FreeObjects = true;
  auto* kept = new Counted(&deaths);
  for (int i = 0; i < 3; ++i) owning.Add(static_cast<classlib::TObject*>(new Counted(&deaths)));
  owning.Add(static_cast<classlib::TObject*>(kept));
  owning.Add(nullptr);
  owning.Remove(static_cast<classlib::TObject*>(kept));
  owning.Delete(0);
  EXPECT_EQ(deaths, 1);
  owning.Clear();
  EXPECT_EQ(deaths, 3);
  delete kept;
}

TEST(ElList, SetCountClearsNewSlotsAndAssignCopies) {
  TElList list;
  Fill(list, "ABC");
  list.SetCount(1);
  list.SetCount(3);
  EXPECT_EQ(list.UncheckedGet(1), nullptr);
  EXPECT_EQ(list.UncheckedGet(2), nullptr);
  list.SetCount(300);
  EXPECT_EQ(list.Capacity(), 300);

  TElList copy;
  Fill(copy, "XY");
  copy.Assign(&list);
  EXPECT_EQ(copy.Count(), 300);
  EXPECT_EQ(copy.Capacity(), 300);
  EXPECT_EQ(V(copy.Get(0)), 'A');
  EXPECT_EQ(copy.IndexOfStartingAt(1, nullptr), 1);
  EXPECT_EQ(list.IndexOf(P('Q')), -1);
}

TEST(ElStack, CapacityStepsAndEmptyPop) {
  TElStack stack;
  stack.Push(P(1));
  EXPECT_EQ(stack.Capacity(), 4);
  for (int i = 2; i <= 5; ++i) stack.Push(P(i));
  EXPECT_EQ(stack.Capacity(), 8);
  for (int i = 6; i <= 9; ++i) stack.Push(P(i));
  EXPECT_EQ(stack.Capacity(), 12);  // 8 or less: +4
  stack.Push(P(10));
  stack.Push(P(11));
  stack.Push(P(12));
  stack.Push(P(13));
  EXPECT_EQ(stack.Capacity(), 28);  // 9..64: +16
  while (stack.Count() < 65) stack.Push(P(0));
  EXPECT_EQ(stack.Capacity(), 76);  // 28 -> 44 -> 60 -> 76
  while (stack.Count() < 77) stack.Push(P(0));
  EXPECT_EQ(stack.Capacity(), 95);  // above 64: +76/4

  TElStack small;
  small.Push(P(7));
  EXPECT_EQ(small.Capacity(), 4);
  EXPECT_EQ(V(small.Pop()), 7);
  EXPECT_EQ(small.Capacity(), 2);
  try {
    small.Pop();
    FAIL();
  } catch (const EElStackError& e) {
    EXPECT_EQ(e.Message(), "ElStack is empty.");
  }
  small.Push(P(1));
  small.Push(P(2));
  EXPECT_THROW(small.SetCapacity(1), EElStackError);
  EXPECT_EQ(V(small.Pop()), 2);
}
