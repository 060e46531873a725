// The ordering of Array.sort and Array.sortOn. The interpreter turns each element (or each field
// of each element, for sortOn) into a SortKey, or supplies a comparator that calls the script's
// compare function, and gets back the order to apply: the original index of the element at each
// sorted position. It then either reorders the array or, for RETURNINDEXEDARRAY, returns that
// order as a new array.
//
// The order is the player's: a quicksort around the middle element that leaves two elements both
// equal to the pivot where they are, so results match the reference where equal elements differ
// (case-insensitive sorts, comparators that look at one field). The same input always gives the
// same order, and a comparator that contradicts itself still ends, with some order.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace flash::scriptlib {

enum SortFlag : int {
  kSortCaseInsensitive = 1,
  kSortDescending = 2,
  kSortUniqueSort = 4,
  kSortReturnIndexedArray = 8,
  kSortNumeric = 16,
};

// An element as sorting sees it.
struct SortKey {
  enum class Type { Undefined, Null, Bool, Number, String, Other };
  Type type = Type::Undefined;
  double number = 0;  // Number: the value. Bool: 0 or 1.
  std::string text;   // String: the value. Other: the object's string form (its toString result).

  static SortKey Undefined() { return {}; }
  static SortKey Null() { return {Type::Null, 0, {}}; }
  static SortKey Bool(bool b) { return {Type::Bool, b ? 1.0 : 0.0, {}}; }
  static SortKey Number(double d) { return {Type::Number, d, {}}; }
  static SortKey String(std::string s) { return {Type::String, 0, std::move(s)}; }
  static SortKey Other(std::string s) { return {Type::Other, 0, std::move(s)}; }
};

// The text the default order compares: numbers as printed, "true"/"false", "null", undefined as
// "undefined" from version 7 and "" before.
std::string SortKeyText(const SortKey& key, int swfVersion);

// Compares two keys in ascending order under CASEINSENSITIVE and NUMERIC (other flags are ignored):
// negative, 0 or positive. NUMERIC compares two numbers by value with NaN after every number;
// any other pair, and every pair without NUMERIC, compares texts by character code, ignoring
// case (Latin, Greek and Cyrillic letters) under CASEINSENSITIVE.
int CompareSortKeys(const SortKey& a, const SortKey& b, int flags, int swfVersion);

// Array.sort(flags): the sorted order of `keys`, reversed by DESCENDING. With UNIQUESORT, nullopt
// when two elements compare equal (the script then gets 0 and the array stays as it was).
std::optional<std::vector<size_t>> SortOrder(const std::vector<SortKey>& keys, int flags,
                                             int swfVersion);

// Array.sort(compareFunction, flags): `compare(a, b)` gets original element indices and returns the
// script function's result as a number (negative: a first; positive: b first; 0 or NaN: equal).
// DESCENDING reverses it; UNIQUESORT as above; other flags are ignored. An exception thrown by
// `compare` passes through (the caller's array is untouched: only the returned order is sorted).
using SortComparator = std::function<double(size_t a, size_t b)>;
std::optional<std::vector<size_t>> SortOrderWith(size_t count, const SortComparator& compare,
                                                 int flags);

// Array.sortOn(fields, flags): `keys[e][f]` is field f of element e (undefined for a missing
// field; the caller decides what a field of a non-object is). Elements compare field by field,
// each with its own flags from `fieldFlags` (CASEINSENSITIVE, NUMERIC, DESCENDING); the first
// difference decides. The caller builds `fieldFlags` with one entry per field: a single flags
// number applies to every field, and an array of flags whose length differs from the fields' is
// ignored (all 0). UNIQUESORT (nullopt on equal elements) and RETURNINDEXEDARRAY are taken from the
// first field's flags only.
std::optional<std::vector<size_t>> SortOnOrder(const std::vector<std::vector<SortKey>>& keys,
                                               const std::vector<int>& fieldFlags, int swfVersion);

}  // namespace flash::scriptlib
