// Array.sort and Array.sortOn ordering: flags, comparators, duplicates and the player's order of
// equal elements.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/flash/player/script/lib/array_sort.h"

namespace sl = flash::scriptlib;
using Key = sl::SortKey;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The sorted elements' texts joined by commas, or "0" when the sort refused duplicates.
std::string Sorted(const std::vector<Key>& keys, const std::optional<std::vector<size_t>>& order,
                   int version = 8) {
  if (!order) return "0";
  std::string out;
  for (size_t i : *order) out += (out.empty() ? "" : ",") + sl::SortKeyText(keys[i], version);
  return out;
}

std::string Indexes(const std::optional<std::vector<size_t>>& order) {
  if (!order) return "0";
  std::string out;
  for (size_t i : *order) out += (out.empty() ? "" : ",") + std::to_string(i);
  return out;
}

std::vector<Key> Strings(std::initializer_list<const char*> texts) {
  std::vector<Key> keys;
  for (const char* t : texts) keys.push_back(Key::String(t));
  return keys;
}

std::vector<Key> Numbers(std::initializer_list<double> values) {
  std::vector<Key> keys;
  for (double v : values) keys.push_back(Key::Number(v));
  return keys;
}

TEST(ScriptArraySort, DefaultOrderComparesText) {
  auto letters = Strings({"d", "c", "a", "b"});
  EXPECT_EQ(Sorted(letters, sl::SortOrder(letters, 0, 8)), "a,b,c,d");
  EXPECT_EQ(Sorted(letters, sl::SortOrder(letters, sl::kSortDescending, 8)), "d,c,b,a");
  EXPECT_EQ(Indexes(sl::SortOrder(letters, sl::kSortReturnIndexedArray, 8)), "2,3,1,0");

  auto numbers = Numbers({4, 1, 3, 22, 2, 3});
  EXPECT_EQ(Sorted(numbers, sl::SortOrder(numbers, 0, 8)), "1,2,22,3,3,4");

  std::vector<Key> odd = {Key::Undefined(), Key::Null(), Key::Bool(true), Key::Bool(false),
                          Key::Other("AAA")};
  EXPECT_EQ(Sorted(odd, sl::SortOrder(odd, 0, 8)), "AAA,false,null,true,undefined");
  // Before version 7 undefined reads as "" and sorts first.
  EXPECT_EQ(Indexes(sl::SortOrder(odd, 0, 6)), "0,4,3,1,2");
}

TEST(ScriptArraySort, NumericOrder) {
  auto numbers = Numbers({4, 1, 3, 22, 2, 3});
  EXPECT_EQ(Sorted(numbers, sl::SortOrder(numbers, sl::kSortNumeric, 8)), "1,2,3,3,4,22");
  EXPECT_EQ(Sorted(numbers, sl::SortOrder(numbers, sl::kSortNumeric | sl::kSortDescending, 8)),
            "22,4,3,3,2,1");
  auto bad = Numbers({kInf, kNaN, 4, 1, kNaN, -kInf});
  EXPECT_EQ(Sorted(bad, sl::SortOrder(bad, sl::kSortNumeric, 8)), "-Infinity,1,4,Infinity,NaN,NaN");
  // Pairs that are not both numbers compare as text, ignoring case if asked.
  std::vector<Key> mixed = {Key::String("test"), Key::Number(4),   Key::Number(1),
                            Key::String("22"),   Key::Undefined(), Key::Number(3),
                            Key::Number(23),     Key::Number(2),   Key::Bool(true)};
  const int all = sl::kSortNumeric | sl::kSortCaseInsensitive | sl::kSortDescending |
                  sl::kSortUniqueSort | sl::kSortReturnIndexedArray;
  EXPECT_EQ(Indexes(sl::SortOrder(mixed, all, 8)), "4,8,0,6,1,5,3,7,2");
}

TEST(ScriptArraySort, UniqueSortRefusesDuplicates) {
  auto distinct = Numbers({4, 1, 3, 22, 2});
  EXPECT_EQ(Sorted(distinct, sl::SortOrder(distinct, sl::kSortUniqueSort, 8)), "1,2,22,3,4");
  auto twice = Numbers({4, 1, 3, 22, 2, 3});
  EXPECT_EQ(Sorted(twice, sl::SortOrder(twice, sl::kSortUniqueSort, 8)), "0");
  auto folded = Strings({"TeSt", "hëllo", "HËLLO", "test"});
  EXPECT_EQ(
      Sorted(folded, sl::SortOrder(folded, sl::kSortCaseInsensitive | sl::kSortUniqueSort, 8)),
      "0");
  EXPECT_EQ(Sorted(folded, sl::SortOrder(folded, sl::kSortUniqueSort, 8)), "HËLLO,TeSt,hëllo,test");
  std::vector<Key> none;
  EXPECT_EQ(Indexes(sl::SortOrder(none, sl::kSortUniqueSort, 8)), "");
}

TEST(ScriptArraySort, EqualElementsLandWhereThePlayerPutsThem) {
  auto a = Strings({"hëllo", "HËLLO", "TeSt", "test"});
  EXPECT_EQ(Sorted(a, sl::SortOrder(a, sl::kSortCaseInsensitive, 8)), "hëllo,HËLLO,TeSt,test");
  auto b = Strings({"TeSt", "hëllo", "HËLLO", "test"});
  EXPECT_EQ(Sorted(b, sl::SortOrder(b, sl::kSortCaseInsensitive, 8)), "HËLLO,hëllo,TeSt,test");
  auto c = Strings({"hello", "HELLO", "test", "TEST"});
  EXPECT_EQ(Sorted(c, sl::SortOrder(c, sl::kSortCaseInsensitive, 8)), "hello,HELLO,test,TEST");
  // All equal: nothing moves.
  std::vector<Key> same(7, Key::Undefined());
  EXPECT_EQ(Indexes(sl::SortOrder(same, sl::kSortNumeric, 8)), "0,1,2,3,4,5,6");
}

TEST(ScriptArraySort, Comparators) {
  const std::vector<double> n = {3, 5, 1, 2, 1};
  int calls = 0;
  auto byN = [&](size_t a, size_t b) {
    ++calls;
    return n[a] - n[b];
  };
  auto values = [&](const std::optional<std::vector<size_t>>& order) {
    std::string out;
    for (size_t i : *order) out += std::to_string(int(n[i]));
    return out;
  };
  EXPECT_EQ(values(sl::SortOrderWith(n.size(), byN, 0)), "11235");
  EXPECT_GT(calls, 0);
  EXPECT_EQ(values(sl::SortOrderWith(n.size(), byN, sl::kSortDescending)), "53211");
  EXPECT_EQ(Indexes(sl::SortOrderWith(n.size(), byN, sl::kSortUniqueSort)), "0");
  // NaN results are "equal".
  EXPECT_EQ(Indexes(sl::SortOrderWith(
                3, [](size_t, size_t) { return kNaN; }, 0)),
            "0,1,2");
  // An exception from the script's function passes through.
  EXPECT_THROW(sl::SortOrderWith(
                   3, [](size_t, size_t) -> double { throw 42; }, 0),
               int);
}

TEST(ScriptArraySort, ContradictoryComparatorsEndWithAPermutation) {
  std::mt19937 random(7);
  for (size_t count : {2u, 3u, 10u, 100u, 1000u}) {
    auto order = sl::SortOrderWith(
        count, [&](size_t, size_t) { return double(int(random() % 3) - 1); }, 0);
    ASSERT_TRUE(order.has_value());
    std::vector<bool> seen(count);
    for (size_t i : *order) {
      ASSERT_LT(i, count);
      EXPECT_FALSE(seen[i]);
      seen[i] = true;
    }
  }
  auto alwaysLess = sl::SortOrderWith(
      50, [](size_t, size_t) { return -1.0; }, 0);
  EXPECT_EQ(alwaysLess->size(), 50u);
  auto alwaysMore = sl::SortOrderWith(
      50, [](size_t, size_t) { return 1.0; }, 0);
  EXPECT_EQ(alwaysMore->size(), 50u);
}

TEST(ScriptArraySort, LargeInputsSortCorrectly) {
  std::mt19937 random(3);
  std::vector<Key> keys;
  for (int i = 0; i < 20000; ++i) keys.push_back(Key::Number(double(random() % 5000)));
  auto order = sl::SortOrder(keys, sl::kSortNumeric, 8);
  for (size_t i = 1; i < order->size(); ++i)
    ASSERT_LE(keys[(*order)[i - 1]].number, keys[(*order)[i]].number);
  std::vector<Key> sorted;
  for (int i = 0; i < 20000; ++i) sorted.push_back(Key::Number(i));
  auto same = sl::SortOrder(sorted, sl::kSortNumeric | sl::kSortDescending, 8);
  EXPECT_EQ((*same)[0], 19999u);
}

TEST(ScriptArraySort, SortOnFields) {
  auto single = [](std::initializer_list<Key> ks) {
    std::vector<std::vector<Key>> rows;
    for (const Key& k : ks) rows.push_back({k});
    return rows;
  };
  auto n =
      single({Key::Number(3), Key::Number(5), Key::Number(22), Key::Number(2), Key::Number(1)});
  EXPECT_EQ(Indexes(sl::SortOnOrder(n, {0}, 8)), "4,3,2,0,1");
  EXPECT_EQ(Indexes(sl::SortOnOrder(n, {sl::kSortDescending}, 8)), "1,0,2,3,4");
  EXPECT_EQ(Indexes(sl::SortOnOrder(n, {sl::kSortNumeric}, 8)), "4,3,0,1,2");
  EXPECT_EQ(Indexes(sl::SortOnOrder(n, {sl::kSortNumeric | sl::kSortDescending}, 8)), "2,1,0,3,4");

  auto words = single(
      {Key::String("test"), Key::String("hello"), Key::String("TEST"), Key::String("hello")});
  EXPECT_EQ(Indexes(sl::SortOnOrder(words, {sl::kSortUniqueSort}, 8)), "0");

  // Two fields, each with its own flags.
  std::vector<std::vector<Key>> rows = {{Key::String("foo"), Key::Number(1)},
                                        {Key::String("bar"), Key::Number(3)},
                                        {Key::String("BAR"), Key::Number(22)},
                                        {Key::String("foo"), Key::Number(2)}};
  EXPECT_EQ(Indexes(sl::SortOnOrder(rows, {sl::kSortCaseInsensitive, sl::kSortNumeric}, 8)),
            "1,2,0,3");
  EXPECT_EQ(Indexes(sl::SortOnOrder(rows, {0, 0}, 8)), "2,1,0,3");

  std::vector<std::vector<Key>> pairs = {{Key::Number(3), Key::Number(1)},
                                         {Key::Number(2), Key::Number(3)},
                                         {Key::Number(2), Key::Number(2)},
                                         {Key::Number(1), Key::Number(2)},
                                         {Key::Number(3), Key::Number(1)}};
  EXPECT_EQ(Indexes(sl::SortOnOrder(pairs, {sl::kSortUniqueSort, 0}, 8)), "0");
  // Uniqueness is read from the first field's flags only.
  EXPECT_EQ(Indexes(sl::SortOnOrder(pairs, {0, sl::kSortUniqueSort}, 8)), "3,2,1,0,4");
  // No fields: nothing moves.
  std::vector<std::vector<Key>> bare = {{}, {}};
  EXPECT_EQ(Indexes(sl::SortOnOrder(bare, {}, 8)), "0,1");
}

}  // namespace
