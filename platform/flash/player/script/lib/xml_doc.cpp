#include "platform/flash/player/script/lib/xml_doc.h"

#include "platform/flash/player/script/lib/string_ops.h"

namespace flash::scriptlib {

namespace {

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool AllSpace(std::string_view s) {
  for (char c : s)
    if (!IsXmlSpace(c)) return false;
  return true;
}

bool StartsWith(std::string_view s, size_t at, std::string_view prefix) {
  return s.substr(at, prefix.size()) == prefix;
}

// The character a reference such as "#39" or "#x27" names, or 0 when it names none.
char32_t NumericReference(std::string_view body) {
  if (body.size() < 2 || body[0] != '#') return 0;
  bool hex = body[1] == 'x' || body[1] == 'X';
  std::string_view digits = body.substr(hex ? 2 : 1);
  if (digits.empty() || digits.size() > 8) return 0;
  char32_t v = 0;
  for (char c : digits) {
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (hex && c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (hex && c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return 0;
    v = v * (hex ? 16 : 10) + d;
  }
  return v <= 0x10FFFF ? v : 0;
}

class Parser {
 public:
  Parser(std::string_view text, bool ignoreWhite) : s_(text), ignoreWhite_(ignoreWhite) {}

  XmlDocument Run() {
    open_.push_back(&doc_.root);
    while (pos_ < s_.size() && doc_.status == kXmlOk) {
      if (s_[pos_] == '<') {
        Markup();
      } else {
        size_t end = s_.find('<', pos_);
        if (end == std::string_view::npos) end = s_.size();
        Text(DecodeXmlEntities(s_.substr(pos_, end - pos_)));
        pos_ = end;
      }
    }
    if (doc_.status == kXmlOk && open_.size() > 1) doc_.status = kXmlStartTagWithoutEnd;
    return std::move(doc_);
  }

 private:
  void Fail(int status) { doc_.status = status; }

  bool Count() {
    if (++nodes_ > kXmlMaxNodes) {
      Fail(kXmlOutOfMemory);
      return false;
    }
    return true;
  }

  void Text(std::string text, bool keepWhite = false) {
    if (text.empty() || (ignoreWhite_ && !keepWhite && AllSpace(text))) return;
    if (!Count()) return;
    XmlNode node;
    node.type = XmlNode::Type::Text;
    node.value = std::move(text);
    open_.back()->children.push_back(std::move(node));
  }

  // Finds `terminator` after the current position; on failure sets `status`.
  bool Through(std::string_view terminator, size_t from, int status, size_t& end) {
    end = s_.find(terminator, from);
    if (end == std::string_view::npos) {
      Fail(status);
      return false;
    }
    return true;
  }

  void Markup() {
    size_t end;
    if (StartsWith(s_, pos_, "<!--")) {
      if (Through("-->", pos_ + 4, kXmlCommentNotTerminated, end)) pos_ = end + 3;
    } else if (StartsWith(s_, pos_, "<![CDATA[")) {
      if (Through("]]>", pos_ + 9, kXmlCdataNotTerminated, end)) {
        Text(std::string(s_.substr(pos_ + 9, end - pos_ - 9)), true);
        pos_ = end + 3;
      }
    } else if (StartsWith(s_, pos_, "<?")) {
      if (Through("?>", pos_ + 2, kXmlDeclNotTerminated, end)) {
        std::string decl(s_.substr(pos_, end + 2 - pos_));
        doc_.xmlDecl = doc_.xmlDecl ? *doc_.xmlDecl + decl : decl;
        pos_ = end + 2;
      }
    } else if (StartsWith(s_, pos_, "<!DOCTYPE")) {
      Doctype();
    } else if (StartsWith(s_, pos_, "</")) {
      EndTag();
    } else {
      StartTag();
    }
  }

  void Doctype() {
    // The declaration may hold an internal subset in brackets, with ">" inside it.
    int depth = 0;
    for (size_t i = pos_ + 9; i < s_.size(); ++i) {
      char c = s_[i];
      if (c == '[')
        ++depth;
      else if (c == ']' && depth > 0)
        --depth;
      else if (c == '>' && depth == 0) {
        doc_.docTypeDecl = std::string(s_.substr(pos_, i + 1 - pos_));
        pos_ = i + 1;
        return;
      }
    }
    Fail(kXmlDoctypeNotTerminated);
  }

  size_t NameEnd(size_t from) const {
    size_t i = from;
    while (i < s_.size() && !IsXmlSpace(s_[i]) && s_[i] != '>' && s_[i] != '/' && s_[i] != '=' &&
           s_[i] != '<')
      ++i;
    return i;
  }

  size_t SkipSpace(size_t i) const {
    while (i < s_.size() && IsXmlSpace(s_[i])) ++i;
    return i;
  }

  void EndTag() {
    size_t nameEnd = NameEnd(pos_ + 2);
    std::string_view name = s_.substr(pos_ + 2, nameEnd - pos_ - 2);
    size_t close = SkipSpace(nameEnd);
    if (name.empty() || close >= s_.size() || s_[close] != '>') return Fail(kXmlMalformedElement);
    if (open_.size() > 1 && open_.back()->name == name) {
      open_.pop_back();
      pos_ = close + 1;
      return;
    }
    for (size_t i = 1; i < open_.size(); ++i) {
      if (open_[i]->name == name)
        return Fail(kXmlStartTagWithoutEnd);  // an inner element is left open
    }
    Fail(kXmlEndTagWithoutStart);
  }

  void StartTag() {
    size_t nameEnd = NameEnd(pos_ + 1);
    if (nameEnd == pos_ + 1) return Fail(kXmlMalformedElement);
    if (!Count()) return;
    XmlNode element;
    element.name = std::string(s_.substr(pos_ + 1, nameEnd - pos_ - 1));
    size_t i = nameEnd;
    while (true) {
      i = SkipSpace(i);
      if (i >= s_.size()) return Fail(kXmlMalformedElement);
      if (s_[i] == '>' || StartsWith(s_, i, "/>")) break;
      size_t attrEnd = NameEnd(i);
      if (attrEnd == i) return Fail(kXmlMalformedElement);
      std::string attrName(s_.substr(i, attrEnd - i));
      i = SkipSpace(attrEnd);
      if (i >= s_.size() || s_[i] != '=') return Fail(kXmlMalformedElement);
      i = SkipSpace(i + 1);
      if (i >= s_.size() || (s_[i] != '"' && s_[i] != '\'')) return Fail(kXmlMalformedElement);
      size_t valueEnd = s_.find(s_[i], i + 1);
      if (valueEnd == std::string_view::npos) return Fail(kXmlAttributeNotTerminated);
      std::string value = DecodeXmlEntities(s_.substr(i + 1, valueEnd - i - 1));
      i = valueEnd + 1;
      // A repeated attribute keeps its first place and takes the last value.
      bool replaced = false;
      for (auto& [n, v] : element.attributes) {
        if (n == attrName) {
          v = value;
          replaced = true;
        }
      }
      if (!replaced) element.attributes.emplace_back(std::move(attrName), std::move(value));
    }
    bool empty = s_[i] == '/';
    pos_ = i + (empty ? 2 : 1);
    XmlNode* parent = open_.back();
    parent->children.push_back(std::move(element));
    if (!empty) {
      if (open_.size() > kXmlMaxDepth) return Fail(kXmlOutOfMemory);
      open_.push_back(&parent->children.back());
    }
  }

  std::string_view s_;
  bool ignoreWhite_;
  size_t pos_ = 0;
  size_t nodes_ = 0;
  XmlDocument doc_;
  // The open elements, outermost (the root) first. Only the innermost one gains children, so the
  // pointers stay valid.
  std::vector<XmlNode*> open_;
};

void AppendStartTag(std::string& out, const XmlNode& node) {
  out += '<';
  out += node.name;
  for (const auto& [name, value] : node.attributes) {
    out += ' ';
    out += name;
    out += "=\"";
    out += EscapeXml(value);
    out += '"';
  }
}

// The prefix an attribute declares, or nullopt when it declares none.
std::optional<std::string_view> DeclaredPrefix(std::string_view attribute) {
  if (attribute.substr(0, 5) != "xmlns") return std::nullopt;
  if (attribute.size() > 5 && attribute[5] == ':') return attribute.substr(6);
  return std::string_view();
}

}  // namespace

XmlDocument ParseXml(std::string_view text, bool ignoreWhite) {
  return Parser(text, ignoreWhite).Run();
}

std::string EscapeXml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string DecodeXmlEntities(std::string_view text) {
  static const std::pair<std::string_view, char> kNamed[] = {
      {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '&') {
      size_t semi = text.find(';', i + 1);
      // Only a short run up to the next ";" without another "&" can be a reference.
      if (semi != std::string_view::npos && semi - i <= 12 && text.find('&', i + 1) >= semi) {
        std::string_view body = text.substr(i + 1, semi - i - 1);
        bool done = false;
        for (const auto& [name, c] : kNamed) {
          if (body == name) {
            out += c;
            done = true;
          }
        }
        if (!done) {
          if (char32_t c = NumericReference(body)) {
            AppendUtf8(out, c);
            done = true;
          }
        }
        if (done) {
          i = semi + 1;
          continue;
        }
      }
    }
    out += text[i++];
  }
  return out;
}

std::string XmlNodeToString(const XmlNode& node) {
  std::string out;
  // Depth-first without recursion: each entry is a node and how many of its children are written.
  std::vector<std::pair<const XmlNode*, size_t>> stack = {{&node, 0}};
  while (!stack.empty()) {
    auto& [current, next] = stack.back();
    if (current->type == XmlNode::Type::Text) {
      out += EscapeXml(current->value);
      stack.pop_back();
      continue;
    }
    bool named = !current->name.empty();
    if (next == 0) {
      if (named) {
        AppendStartTag(out, *current);
        out += current->children.empty() ? " />" : ">";
      }
    }
    if (next < current->children.size()) {
      const XmlNode* child = &current->children[next++];
      stack.emplace_back(child, 0);
      continue;
    }
    if (named && !current->children.empty()) {
      out += "</";
      out += current->name;
      out += '>';
    }
    stack.pop_back();
  }
  return out;
}

std::string XmlDocumentToString(const XmlDocument& doc) {
  std::string out;
  if (doc.xmlDecl) out += *doc.xmlDecl;
  if (doc.docTypeDecl) out += *doc.docTypeDecl;
  return out + XmlNodeToString(doc.root);
}

std::string XmlPrefix(std::string_view name) {
  size_t colon = name.find(':');
  return colon == std::string_view::npos ? std::string() : std::string(name.substr(0, colon));
}

std::string XmlLocalName(std::string_view name) {
  size_t colon = name.find(':');
  return std::string(colon == std::string_view::npos ? name : name.substr(colon + 1));
}

std::optional<std::string> XmlNamespaceForPrefix(const std::vector<const XmlAttributes*>& chain,
                                                 std::string_view prefix) {
  for (const XmlAttributes* attributes : chain) {
    for (const auto& [name, value] : *attributes) {
      std::optional<std::string_view> declared = DeclaredPrefix(name);
      if (declared && *declared == prefix) return value;
    }
  }
  return std::nullopt;
}

std::optional<std::string> XmlPrefixForNamespace(const std::vector<const XmlAttributes*>& chain,
                                                 std::string_view uri) {
  for (const XmlAttributes* attributes : chain) {
    for (const auto& [name, value] : *attributes) {
      std::optional<std::string_view> declared = DeclaredPrefix(name);
      if (declared && value == uri) return std::string(*declared);
    }
  }
  return std::nullopt;
}

}  // namespace flash::scriptlib
