// Values of the script interpreter and their conversions. Objects, functions and the built-in
// classes hang off ScriptObject; today the interpreter creates none itself, but values can hold
// them so that they slot in without changing the stack machine.
#pragma once

#include <map>
#include <memory>
#include <string>

namespace flash {

class DisplayObject;

// A script object: named properties. Functions and built-in classes derive from it.
class ScriptObject {
 public:
  virtual ~ScriptObject() = default;
  std::map<std::string, struct Value> properties;
};

struct Value {
  enum class Type { Undefined, Null, Bool, Number, String, Clip, Object };
  Type type = Type::Undefined;
  bool boolean = false;
  double number = 0;
  std::string string;                     // String; for Clip the target path at creation
  std::weak_ptr<DisplayObject> clip;      // Clip
  std::shared_ptr<ScriptObject> object;   // Object

  static Value Undefined() { return {}; }
  static Value Null() { Value v; v.type = Type::Null; return v; }
  static Value Bool(bool b) { Value v; v.type = Type::Bool; v.boolean = b; return v; }
  static Value Number(double d) { Value v; v.type = Type::Number; v.number = d; return v; }
  static Value String(std::string s) { Value v; v.type = Type::String; v.string = std::move(s); return v; }

  bool IsUndefined() const { return type == Type::Undefined; }
};

// Number to text the way scripts print numbers: integers without a fraction, otherwise up to 15
// significant digits, exponent form outside 1e-5 .. 1e15; "NaN", "Infinity", "-Infinity".
std::string NumberToString(double d);
// Text to number as the stack machine reads it (decimal, optional sign, fraction and exponent;
// leading white space skipped; anything else is NaN). `swf_version` < 5 reads bad text as 0.
double StringToNumber(const std::string& s, int swf_version);

}  // namespace flash
