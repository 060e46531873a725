// XML parsing and writing as the XML object does it: node tree, entities, white space, the parts
// kept aside (declaration, doctype), status codes and hostile input.
#include <gtest/gtest.h>

#include <string>

#include "platform/flash/player/script/lib/xml_doc.h"

namespace sl = flash::scriptlib;

namespace {

std::string RoundTrip(const std::string& text, bool ignoreWhite = false) {
  return sl::XmlDocumentToString(sl::ParseXml(text, ignoreWhite));
}

TEST(ScriptXml, WritesWhatThePlayerWrites) {
  EXPECT_EQ(
      RoundTrip("<test></test>\nI'm a <b>text node</b>!\n<продукция>Название_Name</продукция>"),
      "<test />\nI&apos;m a <b>text node</b>!\n<продукция>Название_Name</продукция>");
  EXPECT_EQ(RoundTrip("<a x='1' y=\"&lt;&quot;\"><b/>t</a>"),
            "<a x=\"1\" y=\"&lt;&quot;\"><b />t</a>");
  EXPECT_EQ(RoundTrip("<test><!-- Comment -->This is a text node</test>"),
            "<test>This is a text node</test>");
  EXPECT_EQ(RoundTrip("<test><![CDATA[a<b & c]]>normal text</test>!"),
            "<test>a&lt;b &amp; cnormal text</test>!");
  EXPECT_EQ(RoundTrip("<?xml version='1.0'?><!DOCTYPE d [<!ENTITY x '>'>]><d/>"),
            "<?xml version='1.0'?><!DOCTYPE d [<!ENTITY x '>'>]><d />");
  EXPECT_EQ(RoundTrip(""), "");
}

TEST(ScriptXml, BuildsTheTree) {
  sl::XmlDocument doc =
      sl::ParseXml("<test><![CDATA[text inside cdata]]>normal text</test>!", false);
  ASSERT_EQ(doc.status, sl::kXmlOk);
  ASSERT_EQ(doc.root.children.size(), 2u);
  const sl::XmlNode& test = doc.root.children[0];
  EXPECT_EQ(test.name, "test");
  ASSERT_EQ(test.children.size(), 2u);
  EXPECT_EQ(test.children[0].type, sl::XmlNode::Type::Text);
  EXPECT_EQ(test.children[0].value, "text inside cdata");
  EXPECT_EQ(test.children[1].value, "normal text");

  sl::XmlDocument attrs =
      sl::ParseXml("<test attrx=\"\" attry='attr y string' attrx='again'></test>", false);
  const auto& a = attrs.root.children[0].attributes;
  ASSERT_EQ(a.size(), 2u);
  EXPECT_EQ(a[0], (std::pair<std::string, std::string>("attrx", "again")));
  EXPECT_EQ(a[1].second, "attr y string");

  sl::XmlDocument decl =
      sl::ParseXml("<?xml version='1.1' encoding='utf-8' standalone='yes' ?>", false);
  EXPECT_EQ(decl.xmlDecl, "<?xml version='1.1' encoding='utf-8' standalone='yes' ?>");
  EXPECT_FALSE(decl.docTypeDecl.has_value());
  EXPECT_TRUE(decl.root.children.empty());
  EXPECT_EQ(sl::ParseXml("<!DOCTYPE myfancydoctype>", false).docTypeDecl,
            "<!DOCTYPE myfancydoctype>");

  EXPECT_EQ(sl::XmlPrefix("test:test10"), "test");
  EXPECT_EQ(sl::XmlLocalName("test:test10"), "test10");
  EXPECT_EQ(sl::XmlPrefix("plain"), "");
  EXPECT_EQ(sl::XmlLocalName("plain"), "plain");
}

TEST(ScriptXml, NamespaceDeclarations) {
  sl::XmlDocument doc = sl::ParseXml(
      "<test2 xmlns:='https://example.com/colon'></test2>"
      "<test5 xmlns:='https://example.com/2' xmlns='https://example.com'></test5>"
      "<test7 xmlnsaaa='https://example.com/2' xmlns='https://example.com'></test7>"
      "<test:test10 xmlns:test='https://example.com'><test:test11 "
      "xmlns:test2='https://example.com/2'>"
      "</test:test11></test:test10>",
      false);
  ASSERT_EQ(doc.root.children.size(), 4u);
  auto own = [](const sl::XmlNode& n) {
    return std::vector<const sl::XmlAttributes*>{&n.attributes};
  };
  auto show = [](const std::optional<std::string>& s) { return s ? *s : std::string("null"); };
  EXPECT_EQ(show(sl::XmlNamespaceForPrefix(own(doc.root.children[0]), "")),
            "https://example.com/colon");
  EXPECT_EQ(show(sl::XmlPrefixForNamespace(own(doc.root.children[0]), "https://example.com")),
            "null");
  EXPECT_EQ(show(sl::XmlNamespaceForPrefix(own(doc.root.children[1]), "")),
            "https://example.com/2");
  EXPECT_EQ(show(sl::XmlPrefixForNamespace(own(doc.root.children[1]), "https://example.com")), "");
  EXPECT_EQ(show(sl::XmlNamespaceForPrefix(own(doc.root.children[2]), "")),
            "https://example.com/2");

  const sl::XmlNode& outer = doc.root.children[3];
  const sl::XmlNode& inner = outer.children[0];
  std::vector<const sl::XmlAttributes*> chain = {&inner.attributes, &outer.attributes};
  EXPECT_EQ(show(sl::XmlNamespaceForPrefix(chain, sl::XmlPrefix(inner.name))),
            "https://example.com");
  EXPECT_EQ(show(sl::XmlNamespaceForPrefix(chain, "test2")), "https://example.com/2");
  EXPECT_EQ(show(sl::XmlPrefixForNamespace(chain, "https://example.com")), "test");
  EXPECT_EQ(show(sl::XmlNamespaceForPrefix(own(outer), "test2")), "null");
  EXPECT_EQ(show(sl::XmlNamespaceForPrefix({}, "")), "null");
}

TEST(ScriptXml, IgnoreWhiteDropsOnlyBlankText) {
  const std::string text = "<root>   <foo> testing </foo>     </root>";
  sl::XmlDocument kept = sl::ParseXml(text, false);
  EXPECT_EQ(kept.root.children[0].children.size(), 3u);
  sl::XmlDocument dropped = sl::ParseXml(text, true);
  ASSERT_EQ(dropped.root.children[0].children.size(), 1u);
  EXPECT_EQ(dropped.root.children[0].children[0].children[0].value, " testing ");
  EXPECT_EQ(sl::XmlDocumentToString(dropped), "<root><foo> testing </foo></root>");
  // A blank CDATA section is content, not layout.
  EXPECT_EQ(sl::ParseXml("<a><![CDATA[ ]]></a>", true).root.children[0].children.size(), 1u);
}

TEST(ScriptXml, DecodesKnownEntitiesOnly) {
  auto text = [](const std::string& body) {
    return sl::ParseXml("<data>" + body + "</data>", false).root.children[0].children[0].value;
  };
  auto attr = [](const std::string& body) {
    return sl::ParseXml("<data label=\"" + body + "\"></data>", false)
        .root.children[0]
        .attributes[0]
        .second;
  };
  for (auto [in, out] : std::initializer_list<std::pair<const char*, const char*>>{
           {"A &amp; &#39; B", "A & ' B"},
           {"A & &thing; B", "A & &thing; B"},
           {"A &&thing; B", "A &&thing; B"},
           {"A &&&thing; B", "A &&&thing; B"},
           {"A &&amp; B", "A && B"},
           {"A &amp;&amp; B", "A && B"},
           {"&#x263A;&#9731;&#0;&#x110000;&#;", "☺☃&#0;&#x110000;&#;"}}) {
    EXPECT_EQ(text(in), out) << in;
    EXPECT_EQ(attr(in), out) << in;
  }
}

TEST(ScriptXml, StatusCodesKeepWhatWasRead) {
  struct Case {
    const char* text;
    int status;
    const char* kept;
  };
  const Case cases[] = {
      {"<a>x</a>", sl::kXmlOk, "<a>x</a>"},
      {"<a><![CDATA[never", sl::kXmlCdataNotTerminated, "<a />"},
      {"<?xml version='1.0'", sl::kXmlDeclNotTerminated, ""},
      {"<!DOCTYPE x [ <!ELEMENT y> ", sl::kXmlDoctypeNotTerminated, ""},
      {"<a>t<!-- open", sl::kXmlCommentNotTerminated, "<a>t</a>"},
      {"<a><>", sl::kXmlMalformedElement, "<a />"},
      {"<a b>", sl::kXmlMalformedElement, ""},
      {"<a b=c>", sl::kXmlMalformedElement, ""},
      {"<a", sl::kXmlMalformedElement, ""},
      {"<a></a", sl::kXmlMalformedElement, "<a />"},
      {"<a b='x>", sl::kXmlAttributeNotTerminated, ""},
      {"<a><b>text", sl::kXmlStartTagWithoutEnd, "<a><b>text</b></a>"},
      {"<a><b></a>", sl::kXmlStartTagWithoutEnd, "<a><b /></a>"},
      {"<a></b>", sl::kXmlEndTagWithoutStart, "<a />"},
      {"text</b>", sl::kXmlEndTagWithoutStart, "text"},
  };
  for (const Case& c : cases) {
    sl::XmlDocument doc = sl::ParseXml(c.text, false);
    EXPECT_EQ(doc.status, c.status) << c.text;
    EXPECT_EQ(sl::XmlNodeToString(doc.root), c.kept) << c.text;
  }
}

TEST(ScriptXml, HostileInputIsBounded) {
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  sl::XmlDocument doc = sl::ParseXml(deep, false);
  EXPECT_EQ(doc.status, sl::kXmlOutOfMemory);
  size_t depth = 0;
  for (const sl::XmlNode* n = &doc.root; !n->children.empty(); n = &n->children[0]) ++depth;
  EXPECT_LE(depth, sl::kXmlMaxDepth + 1);

  std::string wide;
  for (size_t i = 0; i <= sl::kXmlMaxNodes; ++i) wide += "<b/>";
  EXPECT_EQ(sl::ParseXml(wide, false).status, sl::kXmlOutOfMemory);

  // A deep tree built by hand is written without recursion.
  sl::XmlNode root;
  sl::XmlNode* n = &root;
  for (int i = 0; i < 200000; ++i) {
    n->children.emplace_back();
    n = &n->children.back();
    n->name = "x";
  }
  EXPECT_EQ(sl::XmlNodeToString(root).size(), 199999u * 7 + 5);  // "<x>...</x>" around "<x />"
  // Take it apart level by level so that destruction does not recurse either.
  while (!root.children.empty()) {
    sl::XmlNode child = std::move(root.children[0]);
    root.children = std::move(child.children);
  }
}

}  // namespace
