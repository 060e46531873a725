// XMLNode and XML: a tree of node objects built by the parser of script/lib/xml_doc or by
// scripts, its navigation properties, editing methods, text form, and loading.
//
// A node's own state (type, name, value, parent, children, attributes object) lives in a hidden
// data object held in the node's `primitive` slot, so nodes stay ordinary script objects that
// classes can extend. Navigation properties are read through accessors on XMLNode.prototype.
// Edits keep the tree a tree: a node moves rather than appearing twice, and a node never becomes
// its own descendant.
#include <algorithm>

#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/script/data_load.h"
#include "platform/flash/player/script/lib/xml_doc.h"
#include "platform/flash/player/script/native_members.h"

namespace flash {

namespace {

namespace lib = scriptlib;

constexpr char kNodeTag[] = "XMLNodeData";

class NodeData : public ScriptObject {
 public:
  NodeData() : ScriptObject(Kind::Other) { class_name = kNodeTag; }
  int type = 1;
  Value name = Value::Null();   // string, or null for text nodes and documents
  Value value = Value::Null();  // string, or null for elements
  ScriptObject* parent = nullptr;
  std::vector<ScriptObject*> children;
  size_t slot = 0;  // where the node last stood among its parent's children (checked before use)
  ScriptObject* attributes = nullptr;  // made on first use: most nodes never need one
  ScriptObject* Attributes(Realm& realm) {
    if (!attributes) attributes = realm.NewObject();
    return attributes;
  }
  // The childNodes array scripts hold: made on first read, rebuilt whenever the children change
  // (what a script writes into it stays until then).
  ArrayObject* child_array = nullptr;
  void SyncChildArray() {
    if (!child_array) return;
    child_array->items.clear();
    child_array->ForgetInfo();
    for (ScriptObject* k : children) child_array->items.push_back(Value::Object(k));
  }
  void Trace(std::vector<ScriptObject*>& gray) const override {
    ScriptObject::Trace(gray);
    if (child_array && !child_array->marked) gray.push_back(child_array);
    if (parent && !parent->marked) gray.push_back(parent);
    if (attributes && !attributes->marked) gray.push_back(attributes);
    for (ScriptObject* c : children)
      if (!c->marked) gray.push_back(c);
  }
};

NodeData* DataOf(ScriptObject* o) {
  if (!o || !o->primitive.IsObject()) return nullptr;
  ScriptObject* d = o->primitive.object;
  return d->class_name == kNodeTag ? static_cast<NodeData*>(d) : nullptr;
}

// Gives `o` the state of a node.
NodeData* MakeNode(Realm& realm, ScriptObject* o, int type, Value name, Value value) {
  auto* d = realm.heap.New<NodeData>();
  d->type = type;
  d->name = std::move(name);
  d->value = std::move(value);
  o->primitive = Value::Object(d);
  return d;
}

// A new node object whose prototype is what XMLNode.prototype is now (scripts may replace it).
ScriptObject* NewNode(ActionRunner& vm, int type, Value name, Value value) {
  Realm& realm = vm.realm();
  Value ctor = vm.GetMember(Value::Object(realm.global), "XMLNode");
  ScriptObject* proto = vm.ObjectOf(vm.GetMember(ctor, "prototype"));
  ScriptObject* o = realm.NewObject(proto);
  MakeNode(realm, o, type, std::move(name), std::move(value));
  return o;
}

Value OrNull(ScriptObject* o) { return o ? Value::Object(o) : Value::Null(); }

// The position of `node` among the children of `p`, or SIZE_MAX. Positions are remembered, and
// renumbered all at once when an edit has moved them, so that walking a long list of siblings
// costs one step per sibling.
size_t IndexIn(NodeData* p, ScriptObject* node) {
  NodeData* d = DataOf(node);
  if (!p || !d) return SIZE_MAX;
  if (d->slot < p->children.size() && p->children[d->slot] == node) return d->slot;
  for (size_t i = 0; i < p->children.size(); ++i)
    if (NodeData* k = DataOf(p->children[i])) k->slot = i;
  return d->slot < p->children.size() && p->children[d->slot] == node ? d->slot : SIZE_MAX;
}

void Detach(ScriptObject* node) {
  NodeData* d = DataOf(node);
  if (!d || !d->parent) return;
  if (NodeData* p = DataOf(d->parent)) {
    size_t at = IndexIn(p, node);
    if (at != SIZE_MAX) p->children.erase(p->children.begin() + static_cast<long>(at));
    p->SyncChildArray();
  }
  d->parent = nullptr;
}

bool IsAncestorOrSelf(ScriptObject* maybe_ancestor, ScriptObject* node) {
  for (ScriptObject* n = node; n; n = DataOf(n) ? DataOf(n)->parent : nullptr)
    if (n == maybe_ancestor) return true;
  return false;
}

// Moves `child` under `parent` before `before` (at the end when null). False when that would
// make a cycle or `before` is not a child of `parent`.
bool Insert(ScriptObject* parent, ScriptObject* child, ScriptObject* before) {
  NodeData* p = DataOf(parent);
  NodeData* c = DataOf(child);
  // Only a node with children can be an ancestor of `parent`: leaves skip the walk up the tree.
  if (!p || !c || child == parent || (!c->children.empty() && IsAncestorOrSelf(child, parent)))
    return false;
  if (before == child) return true;
  if (before && (!DataOf(before) || DataOf(before)->parent != parent)) return false;
  Detach(child);
  size_t at = before ? IndexIn(p, before) : p->children.size();
  if (at == SIZE_MAX) at = p->children.size();
  p->children.insert(p->children.begin() + static_cast<long>(at), child);
  c->parent = parent;
  c->slot = at;
  p->SyncChildArray();
  return true;
}

// --- reading the tree ---

enum Prop {
  kNodeType,
  kNodeName,
  kNodeValue,
  kAttributes,
  kChildNodes,
  kFirstChild,
  kLastChild,
  kNextSibling,
  kPreviousSibling,
  kParentNode,
  kPrefix,
  kLocalName,
  kNamespaceUri,
};

int TagOf(NativeCall& c) { return static_cast<FunctionObject*>(c.callee)->native_tag; }

// The attribute lists of a node and its ancestors, the node's own first, for namespace lookups.
struct AttributeChain {
  std::vector<lib::XmlAttributes> lists;
  std::vector<const lib::XmlAttributes*> chain;
};

AttributeChain ChainOf(ActionRunner& vm, ScriptObject* node) {
  AttributeChain out;
  int guard = 0;
  for (ScriptObject* n = node; n && ++guard < 100000; n = DataOf(n)->parent) {
    NodeData* d = DataOf(n);
    if (!d) break;
    lib::XmlAttributes list;
    if (d->attributes)
      for (const std::string& name : vm.EnumerableNames(Value::Object(d->attributes)))
        list.emplace_back(name, vm.ToString(vm.GetMember(Value::Object(d->attributes), name)));
    out.lists.push_back(std::move(list));
    if (!d->parent) break;
  }
  for (const auto& l : out.lists) out.chain.push_back(&l);
  return out;
}

Value NameString(NodeData* d) {
  return d->name.type == Value::Type::String ? d->name : Value::Null();
}

Value GetProp(NativeCall& c) {
  ScriptObject* self = c.This();
  NodeData* d = DataOf(self);
  if (!d) return Value::Undefined();
  auto sibling = [&](int step) -> Value {
    NodeData* p = DataOf(d->parent);
    size_t at = IndexIn(p, self);
    if (at == SIZE_MAX || (step < 0 && at == 0) || (step > 0 && at + 1 >= p->children.size()))
      return Value::Null();
    return Value::Object(p->children[step < 0 ? at - 1 : at + 1]);
  };
  switch (TagOf(c)) {
    case kNodeType: return Value::Number(d->type);
    case kNodeName: return d->name;
    case kNodeValue: return d->value;
    case kAttributes: return Value::Object(d->Attributes(c.vm.realm()));
    case kChildNodes:
      if (!d->child_array) {
        d->child_array = c.vm.realm().NewArray();
        d->SyncChildArray();
      }
      return Value::Object(d->child_array);
    case kFirstChild:
      return d->children.empty() ? Value::Null() : Value::Object(d->children.front());
    case kLastChild: return d->children.empty() ? Value::Null() : Value::Object(d->children.back());
    case kNextSibling: return sibling(1);
    case kPreviousSibling: return sibling(-1);
    case kParentNode: return OrNull(d->parent);
    case kPrefix: {
      Value n = NameString(d);
      return n.type == Value::Type::String ? Value::String(lib::XmlPrefix(n.string)) : n;
    }
    case kLocalName: {
      Value n = NameString(d);
      return n.type == Value::Type::String ? Value::String(lib::XmlLocalName(n.string)) : n;
    }
    case kNamespaceUri: {
      Value n = NameString(d);
      if (n.type != Value::Type::String) return n;
      AttributeChain chain = ChainOf(c.vm, self);
      auto uri = lib::XmlNamespaceForPrefix(chain.chain, lib::XmlPrefix(n.string));
      return Value::String(uri ? *uri : std::string());
    }
    default: return Value::Undefined();
  }
}

Value SetProp(NativeCall& c) {
  NodeData* d = DataOf(c.This());
  if (!d) return Value::Undefined();
  const Value& v = c.Arg(0);
  if (v.IsUndefined()) return Value::Undefined();  // assigning undefined leaves the node as it is
  switch (TagOf(c)) {
    case kNodeName:
      d->name = v.IsNullish() ? Value::Null() : Value::String(c.vm.ToString(v));
      break;
    case kNodeValue:
      d->value = v.IsNullish() ? Value::Null() : Value::String(c.vm.ToString(v));
      break;
    case kAttributes:
      if (v.IsObject()) d->attributes = v.object;
      break;
    default: break;
  }
  return Value::Undefined();
}

// --- editing ---

Value AppendChild(NativeCall& c) {
  if (ScriptObject* self = c.This()) Insert(self, c.vm.ObjectOf(c.Arg(0)), nullptr);
  return Value::Undefined();
}

Value InsertBefore(NativeCall& c) {
  ScriptObject* self = c.This();
  ScriptObject* before = c.vm.ObjectOf(c.Arg(1));
  ScriptObject* child = c.vm.ObjectOf(c.Arg(0));
  // Only a node outside any tree can be inserted; one already placed stays where it is.
  NodeData* cd = DataOf(child);
  if (self && before && cd && !cd->parent) Insert(self, child, before);
  return Value::Undefined();
}

Value RemoveNode(NativeCall& c) {
  Detach(c.This());
  return Value::Undefined();
}

Value HasChildNodes(NativeCall& c) {
  NodeData* d = DataOf(c.This());
  return Value::Bool(d && !d->children.empty());
}

void CopyAttributes(ActionRunner& vm, ScriptObject* from, ScriptObject* to) {
  if (!from || !to) return;
  std::vector<std::string> names = vm.EnumerableNames(Value::Object(from));
  for (auto it = names.rbegin(); it != names.rend(); ++it)  // keeps the enumeration order
    vm.SetMember(Value::Object(to), *it, vm.GetMember(Value::Object(from), *it));
}

Value CloneNode(NativeCall& c) {
  NodeData* d = DataOf(c.This());
  if (!d) return Value::Undefined();
  bool deep = c.vm.ToBool(c.Arg(0));
  ScriptObject* copy = NewNode(c.vm, d->type, d->name, d->value);
  if (d->attributes) CopyAttributes(c.vm, d->attributes, DataOf(copy)->Attributes(c.vm.realm()));
  if (!deep) return Value::Object(copy);
  // Copies the subtree without recursion: each entry pairs an original with its copy.
  std::vector<std::pair<ScriptObject*, ScriptObject*>> work = {{c.This(), copy}};
  size_t count = 0;
  while (!work.empty()) {
    auto [from, to] = work.back();
    work.pop_back();
    // A copy: getters that scripts put on the way may edit the tree while it is copied.
    std::vector<ScriptObject*> kids = DataOf(from)->children;
    for (ScriptObject* kid : kids) {
      NodeData* kd = DataOf(kid);
      if (!kd) continue;
      c.vm.CheckLength(++count);
      ScriptObject* kc = NewNode(c.vm, kd->type, kd->name, kd->value);
      if (kd->attributes)
        CopyAttributes(c.vm, kd->attributes, DataOf(kc)->Attributes(c.vm.realm()));
      DataOf(kc)->slot = DataOf(to)->children.size();
      DataOf(to)->children.push_back(kc);
      DataOf(kc)->parent = to;
      DataOf(to)->SyncChildArray();
      work.emplace_back(kid, kc);
    }
  }
  return Value::Object(copy);
}

// --- text ---

void AppendStartTag(ActionRunner& vm, std::string& out, NodeData* d) {
  out += '<';
  out += d->name.string;
  if (d->attributes) {
    for (const std::string& name : vm.EnumerableNames(Value::Object(d->attributes))) {
      out += ' ';
      out += name;
      out += "=\"";
      out += lib::EscapeXml(vm.ToString(vm.GetMember(Value::Object(d->attributes), name)));
      out += '"';
    }
  }
}

// The text of a node and its subtree, written without recursion.
std::string NodeText(ActionRunner& vm, ScriptObject* node) {
  std::string out;
  std::vector<std::pair<ScriptObject*, size_t>> stack = {{node, 0}};
  while (!stack.empty()) {
    auto& [current, next] = stack.back();
    NodeData* d = DataOf(current);
    if (!d) {
      stack.pop_back();
      continue;
    }
    if (d->type != 1) {
      if (d->value.type == Value::Type::String) out += lib::EscapeXml(d->value.string);
      stack.pop_back();
      continue;
    }
    bool named = d->name.type == Value::Type::String;
    if (next == 0 && named) {
      AppendStartTag(vm, out, d);
      out += d->children.empty() ? " />" : ">";
    }
    if (next < d->children.size()) {
      ScriptObject* child = d->children[next++];
      vm.CheckLength(out.size());
      stack.emplace_back(child, 0);
      continue;
    }
    if (named && !d->children.empty()) {
      out += "</";
      out += d->name.string;
      out += '>';
    }
    stack.pop_back();
  }
  return out;
}

Value NodeToString(NativeCall& c) {
  if (!DataOf(c.This())) return Value::String("");
  return Value::String(NodeText(c.vm, c.This()));
}

Value XmlToString(NativeCall& c) {
  if (!DataOf(c.This())) return Value::String("");
  std::string out;
  for (const char* decl : {"xmlDecl", "docTypeDecl"}) {
    Value v = c.vm.GetMember(c.self, decl);
    if (!v.IsNullish()) out += c.vm.ToString(v);
  }
  return Value::String(out + NodeText(c.vm, c.This()));
}

Value GetNamespaceForPrefix(NativeCall& c) {
  if (!DataOf(c.This()) || c.Count() == 0) return Value::Null();
  AttributeChain chain = ChainOf(c.vm, c.This());
  auto uri = lib::XmlNamespaceForPrefix(chain.chain, c.vm.ToString(c.Arg(0)));
  return uri ? Value::String(*uri) : Value::Null();
}

Value GetPrefixForNamespace(NativeCall& c) {
  if (!DataOf(c.This()) || c.Count() == 0) return Value::Null();
  AttributeChain chain = ChainOf(c.vm, c.This());
  auto prefix = lib::XmlPrefixForNamespace(chain.chain, c.vm.ToString(c.Arg(0)));
  return prefix ? Value::String(*prefix) : Value::Null();
}

// --- constructors ---

Value NodeConstruct(NativeCall& c) {
  ScriptObject* self = c.This();
  if (!self || c.Count() < 2) return Value::Undefined();
  int type = static_cast<int>(c.vm.ToNumber(c.Arg(0)));
  std::string text = c.vm.ToString(c.Arg(1));
  if (type == 1)
    MakeNode(c.vm.realm(), self, 1, Value::String(text), Value::Null());
  else
    MakeNode(c.vm.realm(), self, type, Value::Null(), Value::String(text));
  return c.self;
}

// Script nodes one parse may make. Each costs about a kilobyte, so this bounds what one hostile
// string can take; documents of real movies are far smaller.
constexpr size_t kMaxBuiltNodes = 200000;

// Builds script nodes under `parent` from a parsed tree, without recursion, and enters every
// element with an "id" attribute in `id_map`. False when it stopped at kMaxBuiltNodes (the nodes
// made so far stay).
bool BuildNodes(ActionRunner& vm, const lib::XmlNode& root, ScriptObject* parent,
                ScriptObject* id_map) {
  std::vector<std::pair<const lib::XmlNode*, ScriptObject*>> work = {{&root, parent}};
  size_t built = 0;
  while (!work.empty()) {
    auto [from, to] = work.back();
    work.pop_back();
    NodeData* td = DataOf(to);
    std::vector<ScriptObject*> made;
    for (const lib::XmlNode& kid : from->children) {
      if (++built > kMaxBuiltNodes) {
        td->SyncChildArray();
        return false;
      }
      bool element = kid.type == lib::XmlNode::Type::Element;
      ScriptObject* node = element ? NewNode(vm, 1, Value::String(kid.name), Value::Null())
                                   : NewNode(vm, 3, Value::Null(), Value::String(kid.value));
      NodeData* nd = DataOf(node);
      // Enumeration runs newest first: attributes go in last to first so that scripts and
      // toString meet them in document order.
      for (auto it = kid.attributes.rbegin(); it != kid.attributes.rend(); ++it) {
        vm.SetMember(Value::Object(nd->Attributes(vm.realm())), it->first,
                     Value::String(it->second));
        if (id_map && it->first == "id")
          vm.SetMember(Value::Object(id_map), it->second, Value::Object(node));
      }
      nd->slot = td->children.size();
      td->children.push_back(node);
      nd->parent = to;
      made.push_back(node);
    }
    td->SyncChildArray();
    for (size_t i = 0; i < made.size(); ++i)
      if (!from->children[i].children.empty()) work.emplace_back(&from->children[i], made[i]);
  }
  return true;
}

Value ParseXml(NativeCall& c) {
  ScriptObject* self = c.This();
  NodeData* d = DataOf(self);
  if (!d) return Value::Undefined();
  std::string text = c.vm.ToString(c.Arg(0));
  lib::XmlDocument doc = lib::ParseXml(text, c.vm.ToBool(c.vm.GetMember(c.self, "ignoreWhite")));
  for (ScriptObject* kid : d->children)
    if (NodeData* kd = DataOf(kid)) kd->parent = nullptr;
  d->children.clear();
  d->SyncChildArray();
  ScriptObject* id_map = c.vm.ObjectOf(c.vm.GetMember(c.self, "idMap"));
  if (!id_map) {
    id_map = c.vm.realm().NewObject();
    c.vm.SetMember(c.self, "idMap", Value::Object(id_map));
  }
  if (!BuildNodes(c.vm, doc.root, self, id_map)) doc.status = lib::kXmlOutOfMemory;
  c.vm.SetMember(c.self, "status", Value::Number(doc.status));
  if (doc.xmlDecl) c.vm.SetMember(c.self, "xmlDecl", Value::String(*doc.xmlDecl));
  if (doc.docTypeDecl) c.vm.SetMember(c.self, "docTypeDecl", Value::String(*doc.docTypeDecl));
  return Value::Undefined();
}

Value XmlConstruct(NativeCall& c) {
  ScriptObject* self = c.This();
  if (!self) return Value::Undefined();
  MakeNode(c.vm.realm(), self, 1, Value::Null(), Value::Null());
  c.vm.SetMember(c.self, "idMap", Value::Object(c.vm.realm().NewObject()));
  if (!c.Arg(0).IsNullish()) {
    std::vector<Value> args = {c.Arg(0)};
    NativeCall parse{c.vm, c.self, args, c.callee};
    ParseXml(parse);
  }
  return c.self;
}

Value CreateElement(NativeCall& c) {
  return Value::Object(NewNode(c.vm, 1, Value::String(c.vm.ToString(c.Arg(0))), Value::Null()));
}

Value CreateTextNode(NativeCall& c) {
  return Value::Object(NewNode(c.vm, 3, Value::Null(), Value::String(c.vm.ToString(c.Arg(0)))));
}

// Called as a function (super() from a subclass), a constructor initialises `this` only when it
// is an object of its class.
template <NativeFn construct>
Value CallAsFunction(NativeCall& c) {
  ScriptObject* self = c.This();
  if (!self || self->kind != ScriptObject::Kind::Object) return Value::Undefined();
  ScriptObject* proto = c.vm.ObjectOf(c.vm.GetMember(Value::Object(c.callee), "prototype"));
  int guard = 0;
  for (ScriptObject* p = self->Proto(); p && ++guard < 256; p = p->Proto())
    if (p == proto) return construct(c);
  return Value::Undefined();
}

}  // namespace

void InstallXml(Realm& realm) {
  ScriptObject* node_proto = realm.NewObject();
  realm.Class("XMLNode", CallAsFunction<NodeConstruct>, NodeConstruct, node_proto);
  struct {
    const char* name;
    int tag;
    bool writable;
  } const props[] = {
      {"nodeType", kNodeType, false},
      {"nodeName", kNodeName, true},
      {"nodeValue", kNodeValue, true},
      {"attributes", kAttributes, true},
      {"childNodes", kChildNodes, false},
      {"firstChild", kFirstChild, false},
      {"lastChild", kLastChild, false},
      {"nextSibling", kNextSibling, false},
      {"previousSibling", kPreviousSibling, false},
      {"parentNode", kParentNode, false},
      {"prefix", kPrefix, false},
      {"localName", kLocalName, false},
      {"namespaceURI", kNamespaceUri, false},
  };
  for (const auto& p : props)
    NativeAccessor(realm, node_proto, p.name, GetProp, p.writable ? SetProp : nullptr, p.tag);
  realm.Method(node_proto, "appendChild", AppendChild);
  realm.Method(node_proto, "insertBefore", InsertBefore);
  realm.Method(node_proto, "removeNode", RemoveNode);
  realm.Method(node_proto, "cloneNode", CloneNode);
  realm.Method(node_proto, "hasChildNodes", HasChildNodes);
  realm.Method(node_proto, "toString", NodeToString);
  realm.Method(node_proto, "getNamespaceForPrefix", GetNamespaceForPrefix);
  realm.Method(node_proto, "getPrefixForNamespace", GetPrefixForNamespace);

  ScriptObject* xml_proto = realm.NewObject(node_proto);
  realm.Class("XML", CallAsFunction<XmlConstruct>, XmlConstruct, xml_proto);
  realm.Method(xml_proto, "createElement", CreateElement);
  realm.Method(xml_proto, "createTextNode", CreateTextNode);
  realm.Method(xml_proto, "parseXML", ParseXml);
  realm.Method(xml_proto, "toString", XmlToString);
  InstallDataLoadMethods(realm, xml_proto, DataFormat::kXml);
  realm.Set(xml_proto, "ignoreWhite", Value::Bool(false));
  realm.Set(xml_proto, "loaded", Value::Undefined());
  realm.Set(xml_proto, "status", Value::Number(0));
  realm.Set(xml_proto, "xmlDecl", Value::Undefined());
  realm.Set(xml_proto, "docTypeDecl", Value::Undefined());
}

}  // namespace flash
