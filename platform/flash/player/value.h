// Values of the script interpreter. Objects (script/object.h) live on the player's heap and are
// freed by its collector; a value holds a plain pointer to one. A clip is held by a weak
// reference and its target path, so a value outliving its clip finds a clip placed again there.
#pragma once

#include <memory>
#include <string>

namespace flash {

class DisplayObject;
class ScriptObject;

struct Value {
  enum class Type { Undefined, Null, Bool, Number, String, Clip, Object };
  Type type = Type::Undefined;
  bool boolean = false;
  double number = 0;
  std::string string;                 // String; for Clip the target path at creation
  std::weak_ptr<DisplayObject> clip;  // Clip
  ScriptObject* object = nullptr;     // Object (functions and arrays too)

  static Value Undefined() { return {}; }
  // An array element never set (or deleted): undefined to read, but no element of its own.
  static Value Hole() {
    Value v;
    v.boolean = true;
    return v;
  }
  bool IsHole() const { return type == Type::Undefined && boolean; }
  static Value Null() {
    Value v;
    v.type = Type::Null;
    return v;
  }
  static Value Bool(bool b) {
    Value v;
    v.type = Type::Bool;
    v.boolean = b;
    return v;
  }
  static Value Number(double d) {
    Value v;
    v.type = Type::Number;
    v.number = d;
    return v;
  }
  static Value String(std::string s) {
    Value v;
    v.type = Type::String;
    v.string = std::move(s);
    return v;
  }

  static Value Object(ScriptObject* o) {
    Value v;
    if (o) {
      v.type = Type::Object;
      v.object = o;
    }
    return v;
  }

  bool IsUndefined() const { return type == Type::Undefined; }
  bool IsNullish() const { return type == Type::Undefined || type == Type::Null; }
  bool IsObject() const { return type == Type::Object; }
};

// Number to text the way scripts print numbers: integers without a fraction, otherwise up to 15
// significant digits, exponent form outside 1e-5 .. 1e15; "NaN", "Infinity", "-Infinity".
std::string NumberToString(double d);
// Text to number as the stack machine reads it (decimal, optional sign, fraction and exponent;
// leading white space skipped; anything else is NaN). `swf_version` < 5 reads bad text as 0.
double StringToNumber(const std::string& s, int swf_version);

}  // namespace flash
