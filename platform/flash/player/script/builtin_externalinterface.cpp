// flash.external.ExternalInterface: there is no container page around a captured movie, so the
// interface is unavailable; calls answer null and callbacks cannot be registered. Its helpers
// that turn values into the interface's XML form and quote text for it are plain text work and
// answer as usual.
#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/script/native_members.h"

namespace flash {

namespace {

Value Call(NativeCall&) { return Value::Null(); }
Value AddCallback(NativeCall& c) { return c.vm.FromBool(false); }
Value Nothing(NativeCall&) { return Value::Undefined(); }

// The helpers answer null for empty text (and so "null" where that result is joined into more
// text).
Value TextOrNull(std::string s) { return s.empty() ? Value::Null() : Value::String(std::move(s)); }

std::string ArgText(NativeCall& c) { return c.Count() ? c.vm.ToString(c.Arg(0)) : std::string(); }

std::string EscapeXml(const std::string& s) {
  std::string out;
  for (char ch : s) {
    switch (ch) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default: out += ch;
    }
  }
  return out;
}

// The five entities, exactly as written; anything else after '&' stays as it is.
std::string UnescapeXml(const std::string& s) {
  static const std::pair<const char*, char> kEntities[] = {
      {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}, {"&lt;", '<'}, {"&gt;", '>'}};
  std::string out;
  for (size_t i = 0; i < s.size();) {
    bool replaced = false;
    if (s[i] == '&') {
      for (const auto& [entity, ch] : kEntities) {
        size_t n = std::char_traits<char>::length(entity);
        if (s.compare(i, n, entity) == 0) {
          out += ch;
          i += n;
          replaced = true;
          break;
        }
      }
    }
    if (!replaced) out += s[i++];
  }
  return out;
}

// Double quotes get a backslash; backslashes themselves are left alone.
Value JsQuoteString(NativeCall& c) {
  std::string out;
  for (char ch : ArgText(c)) {
    if (ch == '"') out += '\\';
    out += ch;
  }
  return TextOrNull(out);
}

Value EscapeXmlFn(NativeCall& c) { return TextOrNull(EscapeXml(ArgText(c))); }
Value UnescapeXmlFn(NativeCall& c) { return TextOrNull(UnescapeXml(ArgText(c))); }

std::string ToXml(ActionRunner& vm, const Value& v, int depth);

size_t LengthOf(ActionRunner& vm, const Value& v) {
  if (v.IsNullish()) return 0;
  double n = vm.ToNumber(vm.GetMember(v, "length"));
  if (!(n > 0)) return 0;
  return n > 1e6 ? 1000000 : static_cast<size_t>(n);
}

// Elements 0 to length - 1 as properties numbered by their index.
std::string ArrayToXml(ActionRunner& vm, const Value& v, int depth) {
  std::string out = "<array>";
  size_t n = LengthOf(vm, v);
  for (size_t i = 0; i < n; ++i) {
    std::string id = std::to_string(i);
    out +=
        "<property id=\"" + id + "\">" + ToXml(vm, vm.GetMember(v, id), depth + 1) + "</property>";
  }
  return out + "</array>";
}

// A function's arguments after the first (the name of the function called).
std::string ArgumentsToXml(ActionRunner& vm, const Value& v, int depth) {
  std::string out = "<arguments>";
  size_t n = LengthOf(vm, v);
  for (size_t i = 1; i < n; ++i) out += ToXml(vm, vm.GetMember(v, std::to_string(i)), depth + 1);
  return out + "</arguments>";
}

// The members for..in visits, in its order; their names as they stand.
std::string ObjectToXml(ActionRunner& vm, const Value& v, int depth) {
  std::string out = "<object>";
  if (v.IsObject() || v.type == Value::Type::Clip)
    for (const std::string& name : vm.EnumerableNames(v))
      out += "<property id=\"" + name + "\">" + ToXml(vm, vm.GetMember(v, name), depth + 1) +
             "</property>";
  return out + "</object>";
}

std::string ToXml(ActionRunner& vm, const Value& v, int depth) {
  // Values that hold themselves end where scripts would run out of stack.
  if (depth > 64) return "<null/>";
  switch (v.type) {
    case Value::Type::Undefined: return "<undefined/>";
    case Value::Type::Null: return "<null/>";
    case Value::Type::Bool: return v.boolean ? "<true/>" : "<false/>";
    case Value::Type::Number: return "<number>" + vm.ToString(v) + "</number>";
    case Value::Type::String: {
      std::string s = EscapeXml(v.string);
      return "<string>" + (s.empty() ? std::string("null") : s) + "</string>";
    }
    default: break;
  }
  if (vm.IsFunction(v)) return "<null/>";
  // Anything with a length reads as an array (a String object, an object given a length).
  if (!vm.GetMember(v, "length").IsUndefined()) return ArrayToXml(vm, v, depth);
  return ObjectToXml(vm, v, depth);
}

// --- from the XML form back to values: the nodes are read through their members (nodeName,
// firstChild, childNodes, attributes), so any object shaped like an XML node will do ---

Value ToAs(ActionRunner& vm, const Value& node, int depth);

// The nodes of `node`'s childNodes, in order.
std::vector<Value> ChildNodes(ActionRunner& vm, const Value& node) {
  std::vector<Value> out;
  if (!node.IsObject()) return out;
  Value list = vm.GetMember(node, "childNodes");
  if (!list.IsObject()) return out;
  size_t n = LengthOf(vm, list);
  for (size_t i = 0; i < n; ++i) out.push_back(vm.GetMember(list, std::to_string(i)));
  return out;
}

// <property id="..."> children: each id takes the value its first child holds.
void ReadProperties(ActionRunner& vm, const Value& node, const Value& into, int depth) {
  for (const Value& child : ChildNodes(vm, node)) {
    Value id = vm.GetMember(vm.GetMember(child, "attributes"), "id");
    if (id.IsUndefined()) continue;
    vm.SetMember(into, vm.ToString(id), ToAs(vm, vm.GetMember(child, "firstChild"), depth + 1));
  }
}

Value ArrayToAs(ActionRunner& vm, const Value& node, int depth) {
  Value out = Value::Object(vm.realm().NewArray());
  if (depth <= 64) ReadProperties(vm, node, out, depth);
  return out;
}

Value ObjectToAs(ActionRunner& vm, const Value& node, int depth) {
  Value out = Value::Object(vm.realm().NewObject());
  if (depth <= 64) ReadProperties(vm, node, out, depth);
  return out;
}

// <arguments>: each child is one value.
Value ArgumentsToAs(ActionRunner& vm, const Value& node, int depth) {
  std::vector<Value> items;
  if (depth <= 64)
    for (const Value& child : ChildNodes(vm, node)) items.push_back(ToAs(vm, child, depth + 1));
  return Value::Object(vm.realm().NewArray(std::move(items)));
}

// A node's name counts only as text (a String object's text too), compared exactly.
Value ToAs(ActionRunner& vm, const Value& node, int depth) {
  if (!node.IsObject() || depth > 64) return Value::Undefined();
  Value name = vm.GetMember(node, "nodeName");
  std::string kind;
  if (name.type == Value::Type::String) {
    kind = name.string;
  } else if (name.IsObject() && name.object->kind == ScriptObject::Kind::Boxed &&
             name.object->primitive.type == Value::Type::String) {
    kind = name.object->primitive.string;
  }
  if (kind == "null") return Value::Null();
  if (kind == "true") return Value::Bool(true);
  if (kind == "false") return Value::Bool(false);
  if (kind == "string")
    return Value::String(UnescapeXml(vm.ToString(vm.GetMember(node, "firstChild"))));
  if (kind == "number") return Value::Number(vm.ToNumber(vm.GetMember(node, "firstChild")));
  if (kind == "array") return ArrayToAs(vm, node, depth);
  if (kind == "object") return ObjectToAs(vm, node, depth);
  return Value::Undefined();
}

Value ToAsFn(NativeCall& c) { return ToAs(c.vm, c.Arg(0), 0); }
Value ArrayToAsFn(NativeCall& c) { return ArrayToAs(c.vm, c.Arg(0), 0); }
Value ArgumentsToAsFn(NativeCall& c) { return ArgumentsToAs(c.vm, c.Arg(0), 0); }
Value ObjectToAsFn(NativeCall& c) { return ObjectToAs(c.vm, c.Arg(0), 0); }

Value ToXmlFn(NativeCall& c) { return Value::String(ToXml(c.vm, c.Arg(0), 0)); }
Value ArrayToXmlFn(NativeCall& c) { return Value::String(ArrayToXml(c.vm, c.Arg(0), 0)); }
Value ArgumentsToXmlFn(NativeCall& c) { return Value::String(ArgumentsToXml(c.vm, c.Arg(0), 0)); }
Value ObjectToXmlFn(NativeCall& c) { return Value::String(ObjectToXml(c.vm, c.Arg(0), 0)); }

}  // namespace

void InstallExternalInterface(Realm& realm) {
  // The class lives in the flash.external package only.
  FunctionObject* ei = realm.NewNative(Nothing);
  realm.LinkPrototype(ei, realm.NewObject());
  realm.Set(PackageObject(realm, "flash.external"), "ExternalInterface", Value::Object(ei));
  realm.Set(ei, "available", Value::Bool(false), kDontEnum | kDontDelete | kReadOnly);
  realm.Method(ei, "call", Call);
  realm.Method(ei, "addCallback", AddCallback);
  realm.Method(ei, "_jsQuoteString", JsQuoteString);
  realm.Method(ei, "_escapeXML", EscapeXmlFn);
  realm.Method(ei, "_unescapeXML", UnescapeXmlFn);
  realm.Method(ei, "_toXML", ToXmlFn);
  realm.Method(ei, "_arrayToXML", ArrayToXmlFn);
  realm.Method(ei, "_argumentsToXML", ArgumentsToXmlFn);
  realm.Method(ei, "_objectToXML", ObjectToXmlFn);
  realm.Method(ei, "_toAS", ToAsFn);
  realm.Method(ei, "_arrayToAS", ArrayToAsFn);
  realm.Method(ei, "_argumentsToAS", ArgumentsToAsFn);
  realm.Method(ei, "_objectToAS", ObjectToAsFn);
}

}  // namespace flash
