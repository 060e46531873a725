// The interpreter's operators and conversions: typed and untyped arithmetic, comparisons and
// equality across types, bit operations at the 32-bit limits, number and string conversions,
// string operations in bytes and characters, and the differences between movie versions.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "platform/flash/format/writer.h"
#include "platform/flash/player/player.h"
#include "tests/flash/movie_builder.h"
#include "tests/flash/script_asm.h"

using namespace flash;

namespace {

// Runs one frame script in a movie of `version` and returns what it traced, one line each.
std::string Traced(int version, const ActionBuilder& a) {
  SwfWriter w(version, 10, 10, 12);
  w.DoAction(a.Build());
  w.ShowFrame();
  Player p;
  p.LoadMovie(0, ParseMovie(w.Finish(false)));
  p.Tick();
  return flashtest::Joined(p.trace_log);
}

// Pushes a, b, applies `op` and traces the result.
ActionBuilder& Binary(ActionBuilder& a, const std::function<void(ActionBuilder&)>& lhs,
                      const std::function<void(ActionBuilder&)>& rhs, uint8_t op) {
  lhs(a);
  rhs(a);
  return a.Op(op).Trace();
}

auto Num(double d) {
  return [d](ActionBuilder& a) { a.PushNumber(d); };
}
auto Int(int32_t v) {
  return [v](ActionBuilder& a) { a.PushInt(v); };
}
auto Str(std::string s) {
  return [s](ActionBuilder& a) { a.PushString(s); };
}
auto Undef() {
  return [](ActionBuilder& a) { a.PushUndefined(); };
}
auto Null() {
  return [](ActionBuilder& a) { a.PushNull(); };
}
auto Bool(bool b) {
  return [b](ActionBuilder& a) { a.PushBool(b); };
}

constexpr uint8_t kAdd = 0x0A, kDivide = 0x0D, kEquals = 0x0E, kLess = 0x0F, kAnd = 0x10,
                  kNot = 0x12, kStringEquals = 0x13, kStringLength = 0x14, kStringExtract = 0x15,
                  kToInteger = 0x18, kStringAdd = 0x21, kStringLess = 0x29, kMbLength = 0x31,
                  kCharToAscii = 0x32, kAsciiToChar = 0x33, kMbExtract = 0x35, kModulo = 0x3F,
                  kTypeOf = 0x44, kAdd2 = 0x47, kLess2 = 0x48, kEquals2 = 0x49, kToNumber = 0x4A,
                  kToString = 0x4B, kDup = 0x4C, kSwap = 0x4D, kIncrement = 0x50, kDecrement = 0x51,
                  kBitAnd = 0x60, kBitOr = 0x61, kBitXor = 0x62, kShiftLeft = 0x63,
                  kShiftRight = 0x64, kShiftRightUnsigned = 0x65, kStrictEquals = 0x66,
                  kGreater = 0x67, kStringGreater = 0x68;

}  // namespace

TEST(ScriptOperators, TypedAddJoinsTextAndConvertsUndefinedByVersion) {
  ActionBuilder a;
  Binary(a, Int(1), Str("2"), kAdd2);
  Binary(a, Str("3"), Undef(), kAdd2);
  Binary(a, Bool(true), Int(1), kAdd2);
  Binary(a, Num(0.5), Num(0.25), kAdd2);
  Binary(a, Null(), Int(1), kAdd2);
  EXPECT_EQ(Traced(6, a), "12\n3\n2\n0.75\n1\n");
  // From version 7 undefined reads as "undefined" in text and NaN in numbers.
  ActionBuilder b;
  Binary(b, Str("3"), Undef(), kAdd2);
  Binary(b, Undef(), Int(1), kAdd2);
  EXPECT_EQ(Traced(7, b), "3undefined\nNaN\n");
}

TEST(ScriptOperators, ComparisonsPickStringOrNumberOrder) {
  ActionBuilder a;
  Binary(a, Str("abc"), Str("abd"), kLess2);
  Binary(a, Str("10"), Str("9"), kLess2);  // two strings: by characters
  Binary(a, Int(10), Str("9"), kLess2);    // one number: numerically
  Binary(a, Num(NAN), Int(1), kLess2);     // unordered
  Binary(a, Int(3), Int(2), kGreater);
  Binary(a, Str("b"), Str("a"), kGreater);
  Binary(a, Str("b"), Str("a"), kStringGreater);
  Binary(a, Str("a"), Str("b"), kStringLess);
  EXPECT_EQ(Traced(6, a), "true\ntrue\nfalse\nundefined\ntrue\ntrue\ntrue\ntrue\n");
}

TEST(ScriptOperators, LooseAndStrictEquality) {
  ActionBuilder a;
  Binary(a, Null(), Undef(), kEquals2);
  Binary(a, Str("1"), Int(1), kEquals2);
  Binary(a, Bool(true), Int(1), kEquals2);
  Binary(a, Num(NAN), Num(NAN), kEquals2);
  Binary(a, Undef(), Int(0), kEquals2);
  Binary(a, Str("a"), Str("a"), kEquals2);
  Binary(a, Int(1), Str("1"), kStrictEquals);
  Binary(a, Str("a"), Str("a"), kStrictEquals);
  Binary(a, Undef(), Null(), kStrictEquals);
  Binary(a, Num(2), Int(2), kStrictEquals);  // a double and an integer are the same number
  // NaN equals NaN under == as under ===, as the player's own movies show.
  EXPECT_EQ(Traced(6, a), "true\ntrue\ntrue\ntrue\nfalse\ntrue\nfalse\ntrue\nfalse\ntrue\n");
}

// Objects in comparisons: valueOf alone converts them; an object left after it makes < false
// without converting the other side; an object without valueOf and toString (_global) is
// undefined, so it equals null and orders like NaN.
TEST(ScriptOperators, ObjectsInComparisonsAndBareObjectsAsUndefined) {
  auto empty = [](ActionBuilder& a) { a.PushInt(0).Op(0x43); };
  auto global = [](ActionBuilder& a) { a.PushString("_global").Op(0x1C); };
  ActionBuilder a;
  Binary(a, empty, Int(1), kLess2);
  Binary(a, Int(1), empty, kLess2);
  Binary(a, empty, Str("z"), kGreater);
  Binary(a, global, Int(1), kLess2);
  Binary(a, global, Null(), kEquals2);
  Binary(a, Undef(), global, kEquals2);
  Binary(a, empty, Null(), kEquals2);
  EXPECT_EQ(Traced(7, a), "false\nfalse\nfalse\nundefined\ntrue\ntrue\nfalse\n");
}

// Equality converts an object by its valueOf alone: an object whose toString gives "a" but whose
// valueOf (the default) gives itself is not "a"; one whose valueOf gives "a" is.
TEST(ScriptOperators, EqualityAsksValueOfNotToString) {
  // { method: function () { trace("called " + method); return "a"; } }
  auto with = [](const std::string& method) {
    return [method](ActionBuilder& a) {
      ActionBuilder body;
      body.PushString("called " + method).Trace().PushString("a").Op(0x3E);
      a.PushString(method);
      scripttest::Function(a, "", {}, body).PushInt(1).Op(0x43);
    };
  };
  ActionBuilder a;
  Binary(a, Str("a"), with("toString"), kEquals2);
  Binary(a, with("valueOf"), Str("a"), kEquals2);
  EXPECT_EQ(Traced(7, a), "false\ncalled valueOf\ntrue\n");
}

// Strings order by code point from version 6: a pair of surrogates stored as two three-byte
// sequences is the character above U+FFFF, above every character of the basic plane.
TEST(ScriptOperators, StringsOrderByCodePoint) {
  const std::string pair = "\xED\xA0\x80\xED\xB0\x82", high = "\xEF\xBD\xA1";  // U+10002, U+FF61
  ActionBuilder a;
  Binary(a, Str(high), Str(pair), kLess2);
  Binary(a, Str(pair), Str(high), kLess2);
  Binary(a, Str("B"), Str("a"), kLess2);
  EXPECT_EQ(Traced(8, a), "true\nfalse\ntrue\n");
  ActionBuilder b;
  Binary(b, Str(high), Str(pair), kLess2);  // bytes before version 6
  EXPECT_EQ(Traced(5, b), "false\n");
}

TEST(ScriptOperators, ArithmeticEdgesModuloIncrementAndIntegerTruncation) {
  ActionBuilder a;
  Binary(a, Int(-7), Int(3), kModulo);
  Binary(a, Num(5.5), Int(2), kModulo);
  Binary(a, Int(0), Int(0), kDivide);
  Binary(a, Int(-1), Int(0), kDivide);
  a.PushString("5").Op(kIncrement).Trace();
  a.PushInt(0).Op(kDecrement).Trace();
  a.PushNumber(-2.7).Op(kToInteger).Trace();
  a.PushNumber(2.7).Op(kToInteger).Trace();
  a.PushUndefined().Op(kIncrement).Trace();  // undefined counts as 0 before version 7
  EXPECT_EQ(Traced(6, a), "-1\n1.5\nNaN\n-Infinity\n6\n-1\n-2\n2\n1\n");
  ActionBuilder b;
  b.PushUndefined().Op(kIncrement).Trace();
  EXPECT_EQ(Traced(7, b), "NaN\n");
}

TEST(ScriptOperators, BitOperationsWrapToThirtyTwoBits) {
  ActionBuilder a;
  Binary(a, Num(4294967295.0), Int(0), kBitOr);
  Binary(a, Num(4294967296.0), Int(5), kBitOr);
  Binary(a, Int(1), Int(33), kShiftLeft);  // the count takes its low five bits
  Binary(a, Int(-16), Int(2), kShiftRight);
  Binary(a, Int(-1), Int(28), kShiftRightUnsigned);
  Binary(a, Int(0xF0), Int(0xFF), kBitXor);
  Binary(a, Int(6), Int(3), kBitAnd);
  Binary(a, Num(2147483648.0), Int(-1), kBitAnd);
  Binary(a, Num(-1.9), Int(0), kBitOr);  // truncates toward zero
  EXPECT_EQ(Traced(6, a), "-1\n5\n2\n-4\n15\n15\n2\n-2147483648\n-1\n");
}

TEST(ScriptOperators, NumberTextConversionsBothWays) {
  ActionBuilder a;
  // Fifteen significant digits; exponents below -4 and from 15 up are written out.
  for (double d : {100.0, 0.1, 1.0 / 3, -0.0, 1e-7, 1.2345678901234568e20, 1e15, 123456789012345.0,
                   -2.5e-5, 0.0001})
    a.PushNumber(d).Op(kToString).Trace();
  for (const char* s : {"12abc", "0x1A", "1e3", "-5.5", ".5", "Infinity"})
    a.PushString(s).Op(kToNumber).Trace();
  EXPECT_EQ(Traced(6, a),
            "100\n0.1\n0.333333333333333\n0\n1e-7\n1.23456789012346e+20\n1e+15\n123456789012345\n-"
            "2.5e-5\n0.0001\n"
            "NaN\n26\n1000\n-5.5\n0.5\nNaN\n");
}

TEST(ScriptOperators, StringOperationsInBytesAndCharacters) {
  ActionBuilder a;
  a.PushString("hello").Op(kStringLength).Trace();
  a.PushString("hello").PushInt(2).PushInt(3).Op(kStringExtract).Trace();  // from the 1-based index
  a.PushString("hello").PushInt(4).PushInt(99).Op(kStringExtract).Trace();  // count past the end
  Binary(a, Str("a"), Str("b"), kStringAdd);
  a.PushString("h\xC3\xA9llo").Op(kMbLength).Trace();  // é is one character
  a.PushString("h\xC3\xA9llo").PushInt(2).PushInt(2).Op(kMbExtract).Trace();
  a.PushString("h\xC3\xA9llo").PushInt(0).PushInt(1e9).Op(kMbExtract).Trace();  // clamped to the
                                                                                // text
  a.PushString("A").Op(kCharToAscii).Trace();
  a.PushInt(66).Op(kAsciiToChar).Trace();
  a.PushString("\xC3\xA9t\xC3\xA9").Op(0x36).Trace();  // the character's code, not its first byte
  a.PushInt(0x20AC).Op(0x37).Trace();                  // the euro sign, encoded
  a.PushString("\xC3").Op(kMbLength).Trace();          // a cut-off sequence is one character
  Binary(a, Str("a"), Str("a"), kStringEquals);
  EXPECT_EQ(Traced(6, a),
            "5\nell\nlo\nab\n5\n\xC3\xA9l\nh\xC3\xA9llo\n65\nB\n233\n\xE2\x82\xAC\n1\ntrue\n");
}

TEST(ScriptOperators, VersionFourOperatorsAnswerWithNumbers) {
  ActionBuilder a;
  Binary(a, Int(1), Int(1), kEquals);
  Binary(a, Int(2), Int(1), kLess);
  a.PushInt(0).Op(kNot).Trace();
  Binary(a, Int(1), Int(0), kAnd);
  Binary(a, Str("3"), Str("4"), kAdd);  // the old add is always numeric
  Binary(a, Str("a"), Str("a"), kStringEquals);
  EXPECT_EQ(Traced(4, a), "1\n0\n1\n0\n7\n1\n");
  // The same operators answer with booleans from version 5.
  ActionBuilder b;
  Binary(b, Int(1), Int(1), kEquals);
  b.PushInt(0).Op(kNot).Trace();
  EXPECT_EQ(Traced(5, b), "true\ntrue\n");
}

TEST(ScriptOperators, StackShufflesTypesAndUnderflow) {
  ActionBuilder a;
  a.PushInt(1).PushInt(2).Op(kSwap).Trace().Trace();
  a.PushString("x").Op(kDup).Op(kAdd2).Trace();
  for (auto push : std::vector<std::function<void(ActionBuilder&)>>{Int(1), Str("a"), Undef(),
                                                                    Bool(true), Null()}) {
    push(a);
    a.Op(kTypeOf).Trace();
  }
  a.Trace();  // nothing left on the stack: undefined
  a.PushNumber(NAN).If(18).PushString("nan is false").Trace();
  EXPECT_EQ(Traced(6, a),
            "1\n2\nxx\nnumber\nstring\nundefined\nboolean\nnull\nundefined\nnan is false\n");
}

TEST(ScriptOperators, OutOfRangeNumbersAsPropertyIndexesAndFramesAreHeld) {
  // NaN, infinite and huge numbers used as a property index or a goto frame must not be
  // converted to int unchecked; the script runs on and later code still executes.
  ActionBuilder a;
  a.PushString("")
      .PushNumber(std::nan(""))
      .Op(0x22)
      .Trace();                                          // getProperty("", NaN): no such property
  a.PushString("").PushNumber(1e300).Op(0x22).Op(0x17);  // no such property; pop it
  a.PushString("").PushNumber(-0.8).Op(0x22).Trace();    // truncates to _x
  a.PushNumber(-1e300).OpWithData(0x9F, {0}).PushString("after").Trace();  // gotoFrame2
  EXPECT_EQ(Traced(6, a), "undefined\n0\nafter\n");
}

// InitArray with a count beyond the values on the stack makes no array and takes nothing.
TEST(ScriptOperators, InitArrayCountBeyondTheStack) {
  ActionBuilder a;
  a.PushString("a").PushString("b").PushInt(3).Op(0x42).Trace().Trace().Trace();
  a.PushString("c").PushInt(1).Op(0x42).PushString("length").Op(0x4E).Trace();
  EXPECT_EQ(Traced(8, a), "undefined\nb\na\n1\n");
}

// A lone surrogate traced from a version 6 movie prints as U+FFFD; a whole pair stays.
TEST(ScriptOperators, TracedLoneSurrogatesPrintAsReplacement) {
  ActionBuilder a;
  a.PushInt(0xD801).Op(kAsciiToChar).Trace();
  a.PushString("\xF0\x90\x80\x82").Trace();
  EXPECT_EQ(Traced(6, a), "\xEF\xBF\xBD\n\xF0\x90\x80\x82\n");
}

// Version 4 comparisons give booleans that print as 1 and 0.
TEST(ScriptOperators, Version4ComparisonsGiveBooleans) {
  ActionBuilder a;
  Binary(a, Bool(true), Str("1"), kEquals);
  Binary(a, Int(3), Int(2), kLess);
  Int(3)(a);
  Int(3)(a);
  a.Op(kEquals).Op(kTypeOf).Trace();
  EXPECT_EQ(Traced(4, a), "1\n0\nboolean\n");
}
