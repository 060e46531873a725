// The XML text format of the XML and XMLNode objects: parsing a document into a node tree with the
// player's status codes, and writing nodes back as text the way toString() does.
//
// What the parser keeps: elements (name, attributes in document order, children) and text nodes.
// CDATA sections become text nodes holding their content as it stands; comments are dropped;
// an XML declaration ("<?...?>") goes to `xmlDecl` and a DOCTYPE to `docTypeDecl`, as their raw
// text, and neither becomes a node. Entities &amp; &lt; &gt; &quot; &apos; and numeric character
// references (&#39; &#x27;) are decoded in text and attribute values; any other "&" stays as it is.
// With `ignoreWhite`, text nodes made only of spaces, tabs and line breaks are dropped.
//
// On an error parsing stops: the nodes read so far stay in the tree and `status` says why.
// Nesting deeper than kXmlMaxDepth or more than kXmlMaxNodes nodes stop with status -7, so hostile
// input costs bounded memory and stack.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace flash::scriptlib {

// XML.status values.
enum XmlStatus : int {
  kXmlOk = 0,
  kXmlCdataNotTerminated = -2,
  kXmlDeclNotTerminated = -3,
  kXmlDoctypeNotTerminated = -4,
  kXmlCommentNotTerminated = -5,
  kXmlMalformedElement = -6,
  kXmlOutOfMemory = -7,
  kXmlAttributeNotTerminated = -8,
  kXmlStartTagWithoutEnd = -9,
  kXmlEndTagWithoutStart = -10,
};

constexpr size_t kXmlMaxDepth = 512;
constexpr size_t kXmlMaxNodes = 1000000;

using XmlAttributes = std::vector<std::pair<std::string, std::string>>;

struct XmlNode {
  enum class Type { Element = 1, Text = 3 };
  Type type = Type::Element;
  std::string name;   // Element: the tag name (prefix included). Empty for a document's root.
  std::string value;  // Text: the decoded text.
  XmlAttributes attributes;  // decoded values, document order
  std::vector<XmlNode> children;
};

struct XmlDocument {
  int status = kXmlOk;
  XmlNode root;  // an element without a name; its children are the document's top-level nodes
  std::optional<std::string> xmlDecl;
  std::optional<std::string> docTypeDecl;
};

XmlDocument ParseXml(std::string_view text, bool ignoreWhite);

// toString() of a node: a text node as escaped text; an element as "<name a=\"v\">...</name>",
// or "<name a=\"v\" />" without children; a nameless element as its children only.
std::string XmlNodeToString(const XmlNode& node);
// toString() of an XML object: its xmlDecl and docTypeDecl (when set), then the root's children.
std::string XmlDocumentToString(const XmlDocument& doc);

// Text escaped for XML output: & < > " ' as &amp; &lt; &gt; &quot; &apos;.
std::string EscapeXml(std::string_view text);
// The entity decoding the parser applies.
std::string DecodeXmlEntities(std::string_view text);

// XMLNode.prefix and localName: the parts of `name` before and after its first ":" ("" prefix
// and the whole name without one).
std::string XmlPrefix(std::string_view name);
std::string XmlLocalName(std::string_view name);

// Namespace lookups over the attributes of a node and its ancestors, the node's own first.
// Every attribute whose name starts with "xmlns" declares a namespace: "xmlns:p" for prefix p,
// and "xmlns", "xmlns:" or any other "xmlns..." name for the default prefix "". Elements are
// searched from the node outwards and each one's attributes in order; the first fitting
// declaration answers, nullopt when none does.
// getNamespaceForPrefix(prefix), and namespaceURI as the namespace of the node's own prefix:
std::optional<std::string> XmlNamespaceForPrefix(const std::vector<const XmlAttributes*>& chain,
                                                 std::string_view prefix);
// getPrefixForNamespace(uri):
std::optional<std::string> XmlPrefixForNamespace(const std::vector<const XmlAttributes*>& chain,
                                                 std::string_view uri);

}  // namespace flash::scriptlib
