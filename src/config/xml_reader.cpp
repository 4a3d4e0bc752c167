// The reader: turns the bytes of a whole document into a tree of XmlNodes.
// Syntax errors never raise; a step that cannot go on returns null or 0.
#include <cstring>
#include <new>

#include "base/codepage.h"
#include "base/debug_print.h"
#include "config/xml.h"

const XmlEntity XmlEntities[] = {
    {'<', WSTR('<'), "&lt;", WSTR("&lt;")},       {'>', WSTR('>'), "&gt;", WSTR("&gt;")},
    {'&', WSTR('&'), "&amp;", WSTR("&amp;")},     {'"', WSTR('"'), "&quot;", WSTR("&quot;")},
    {'\'', WSTR('\''), "&apos;", WSTR("&apos;")}, {0, 0, nullptr, nullptr},
};

namespace {

// The start of the first pass of every loop, so that the first pass never
// counts as a stall.
constexpr int32_t kNoPass = -9999;

bool IsXmlSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsNameStop(char c) {
  switch (c) {
    case '\0':
    case '\t':
    case '\n':
    case '\r':
    case ' ':
    case '"':
    case '&':
    case '\'':
    case '/':
    case '<':
    case '=':
    case '>':
      return true;
    default:
      return false;
  }
}

void SkipWhitespace(XmlCursor& c) {
  while (c.pos < c.size && IsXmlSpace(c.bytes[c.pos]))
    ++c.pos;
}

// True when the bytes at pos are the literal (never reads past the end).
bool At(const XmlCursor& c, const char* literal) {
  const size_t n = std::strlen(literal);
  if (c.pos < 0 || static_cast<int64_t>(c.size) - c.pos < static_cast<int64_t>(n)) return false;
  return std::memcmp(c.bytes + c.pos, literal, n) == 0;
}

bool ByteIs(const XmlCursor& c, char expected) {
  return c.pos < c.size && c.bytes[c.pos] == expected;
}

// pos is on "<!--": moves past the closing "-->", or to the end without one.
void SkipComment(XmlCursor& c) {
  int32_t p = c.pos + 4;
  while (p + 3 <= c.size) {
    if (c.bytes[p] == '-' && c.bytes[p + 1] == '-' && c.bytes[p + 2] == '>') {
      c.pos = p + 3;
      return;
    }
    ++p;
  }
  c.pos = c.size;
}

void ReportStall(int32_t position) {
  DebugPrint(WSTR("XML parse error (%d)\n"), position);
}

// A new string holding count document bytes converted from the document's code
// page to ANSI; unset when the conversion yields no text; null when memory
// runs out.
CString* ConvertToString(const char* bytes, int32_t count, int32_t codePage) {
  WideChar* wide = MultiByteToWide(bytes, count, static_cast<uint32_t>(codePage));
  if (wide == nullptr) return nullptr;
  CString* result = new (std::nothrow) CString();
  if (result != nullptr) result->AssignWide(wide);
  delete[] wide;
  return result;
}

bool IsExactly(const CString* text, const char* literal) {
  const size_t n = std::strlen(literal);
  return text != nullptr && text->data != nullptr && static_cast<size_t>(text->length) == n &&
         std::memcmp(text->data, literal, n) == 0;
}

bool EqualsIgnoringAsciiCase(const CString* text, const char* lowerLiteral) {
  if (text == nullptr || text->data == nullptr) return false;
  const size_t n = std::strlen(lowerLiteral);
  if (static_cast<size_t>(text->length) != n) return false;
  for (size_t i = 0; i < n; ++i) {
    char c = text->data[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lowerLiteral[i]) return false;
  }
  return true;
}

}  // namespace

CString* CXml::ReadName(XmlCursor& c) {
  int32_t end = c.pos;
  while (end < c.size && !IsNameStop(c.bytes[end]))
    ++end;
  if (end == c.pos || end >= c.size) return nullptr;
  CString* name = ConvertToString(c.bytes + c.pos, end - c.pos, codePage);
  if (name == nullptr) return nullptr;
  c.pos = end;
  return name;
}

CString* CXml::ReadText(XmlCursor& c, char terminator) {
  const int32_t start = c.pos;
  int32_t end = start;
  while (end < c.size) {
    const char b = c.bytes[end];
    if (b == '<' || b == '>' || (terminator != 0 && b == terminator)) break;
    ++end;
  }
  if (end == start) return nullptr;

  // Entities and whitespace runs only shrink the text, so the stretch plus a
  // terminator is always enough room.
  char* out = new (std::nothrow) char[static_cast<size_t>(end - start) + 1];
  if (out == nullptr) return nullptr;
  int32_t written = 0;
  bool inSpace = false;
  bool ended = false;
  int32_t p = start;
  while (p < c.size) {
    const char b = c.bytes[p];
    if (b == '&') {
      const XmlEntity* match = nullptr;
      for (const XmlEntity* e = XmlEntities; e->text != nullptr; ++e) {
        const int32_t n = static_cast<int32_t>(std::strlen(e->text));
        if (c.size - p >= n && std::memcmp(c.bytes + p, e->text, static_cast<size_t>(n)) == 0) {
          match = e;
          break;
        }
      }
      if (match != nullptr) {
        out[written++] = match->character;
        p += static_cast<int32_t>(std::strlen(match->text));
      } else {
        out[written++] = '&';
        ++p;
      }
      inSpace = false;
      continue;
    }
    if (IsXmlSpace(b)) {
      if (!inSpace) {
        if (written > 0) out[written++] = ' ';
        inSpace = true;
      }
      ++p;
      continue;
    }
    if (terminator == 0) {
      if (b == '<') {
        c.pos = p;
        ended = true;
        break;
      }
      if (b == '>') break;
    } else {
      if (b == terminator) {
        c.pos = p + 1;
        ended = true;
        break;
      }
      if (b == '<' || b == '>') break;
    }
    out[written++] = b;
    inSpace = false;
    ++p;
  }
  if (!ended) {
    delete[] out;
    c.pos = p == start && p < c.size ? p + 1 : p;
    return nullptr;
  }
  // The space written for a final whitespace run is not part of the text.
  if (inSpace && written > 0) --written;
  out[written] = 0;
  CString* result = ConvertToString(out, written + 1, codePage);
  delete[] out;
  return result;
}

XmlAttribute* CXml::ParseAttribute(XmlCursor& cursor, XmlNode* owner) {
  if (owner == nullptr) return ParseAttributeInto(cursor, nullptr);
  XmlAttribute** slot = &owner->firstAttribute;
  while (*slot != nullptr)
    slot = &(*slot)->next;
  return ParseAttributeInto(cursor, slot);
}

XmlAttribute* CXml::ParseAttributeInto(XmlCursor& c, XmlAttribute** slot) {
  XmlAttribute* attribute = new (std::nothrow) XmlAttribute();
  if (attribute == nullptr) return nullptr;
  SkipWhitespace(c);
  attribute->name = ReadName(c);
  if (attribute->name != nullptr) {
    SkipWhitespace(c);
    if (ByteIs(c, '=')) {
      ++c.pos;
      SkipWhitespace(c);
      if (ByteIs(c, '\'') || ByteIs(c, '"')) {
        const char quote = c.bytes[c.pos];
        ++c.pos;
        attribute->value = ReadText(c, quote);
        // An empty value leaves pos on the closing quote; step over it, or the
        // quote would be taken for the start of the next attribute and an
        // attribute written as name="" could never be read back.
        if (attribute->value == nullptr && ByteIs(c, quote)) ++c.pos;
        if (slot != nullptr) *slot = attribute;
        return attribute;
      }
    }
  }
  FreeAttributes(attribute);
  return nullptr;
}

int CXml::ParseDeclaration(XmlCursor& c, XmlNode* declaration) {
  SkipWhitespace(c);
  if (!At(c, "<?xml")) return 0;
  c.pos += 5;
  if (c.pos >= c.size || !IsXmlSpace(c.bytes[c.pos])) return 0;
  int32_t previous = kNoPass;
  for (;;) {
    if (c.pos == previous) {
      ReportStall(c.pos);
      return 0;
    }
    previous = c.pos;
    SkipWhitespace(c);
    if (c.pos >= c.size) return 0;
    if (At(c, "?>")) {
      c.pos += 2;
      return 1;
    }
    XmlAttribute* attribute = ParseAttribute(c, nullptr);
    if (attribute == nullptr) return 0;
    if (IsExactly(attribute->name, "encoding")) {
      codePage = kCodePageUtf8;
      if (EqualsIgnoringAsciiCase(attribute->value, "shift_jis")) codePage = kCodePageShiftJis;
      if (declaration != nullptr) {
        delete declaration->encoding;
        declaration->encoding = attribute->value;
        attribute->value = nullptr;
      }
    }
    FreeAttributes(attribute);
    if (c.pos >= c.size) return 0;
  }
}

XmlNode* CXml::ParseElement(XmlCursor& cursor) {
  return ParseElementAt(cursor, 0);
}

XmlNode* CXml::ParseElementAt(XmlCursor& c, int depth) {
  if (depth > kMaxDepth) {
    ReportStall(c.pos);
    c.pos = c.size;
    return nullptr;
  }
  XmlNode* node = new (std::nothrow) XmlNode();
  if (node == nullptr) return nullptr;
  if (c.pos >= c.size) {
    FreeNodes(node);
    return nullptr;
  }

  // Prolog: comments before the start tag.
  int32_t previous = kNoPass;
  for (;;) {
    if (c.pos == previous) {
      ReportStall(c.pos);
      FreeNodes(node);
      return nullptr;
    }
    previous = c.pos;
    SkipWhitespace(c);
    if (!ByteIs(c, '<')) {
      FreeNodes(node);
      return nullptr;
    }
    if (!At(c, "<!--")) break;
    SkipComment(c);
  }

  ++c.pos;
  const int32_t nameStart = c.pos;
  node->name = ReadName(c);
  if (node->name == nullptr) {
    FreeNodes(node);
    return nullptr;
  }
  const int32_t nameLength = c.pos - nameStart;

  // ReadName stopped on a byte inside the document.
  if (IsXmlSpace(c.bytes[c.pos])) {
    SkipWhitespace(c);
  } else if (c.bytes[c.pos] != '/' && c.bytes[c.pos] != '>') {
    FreeNodes(node);
    return nullptr;
  }
  if (At(c, "/>")) {
    c.pos += 2;
    return node;
  }

  if (ByteIs(c, '>')) {
    ++c.pos;
  } else {
    XmlAttribute** attributeSlot = &node->firstAttribute;
    previous = kNoPass;
    bool inContent = false;
    while (c.pos < c.size) {
      if (c.pos == previous) {
        ReportStall(c.pos);
        inContent = true;
        break;
      }
      previous = c.pos;
      SkipWhitespace(c);
      if (c.pos >= c.size) break;
      if (At(c, "/>")) {
        c.pos += 2;
        return node;
      }
      if (ByteIs(c, '>')) {
        ++c.pos;
        inContent = true;
        break;
      }
      XmlAttribute* attribute = ParseAttributeInto(c, attributeSlot);
      if (attribute == nullptr) {
        FreeNodes(node);
        return nullptr;
      }
      attributeSlot = &attribute->next;
    }
    if (!inContent) return node;
  }

  // Content: text, child elements, comments and the end tag.
  XmlNode** childSlot = &node->firstChild;
  previous = kNoPass;
  while (c.pos < c.size) {
    if (c.pos == previous) {
      ReportStall(c.pos);
      return node;
    }
    previous = c.pos;
    SkipWhitespace(c);
    if (c.pos >= c.size) break;
    if (At(c, "</")) {
      c.pos += 2;
      if (c.size - c.pos < nameLength ||
          std::memcmp(c.bytes + c.pos, c.bytes + nameStart, static_cast<size_t>(nameLength)) != 0) {
        // A mismatched end tag ends the whole document.
        FreeNodes(node);
        c.pos = c.size;
        return nullptr;
      }
      c.pos += nameLength;
      SkipWhitespace(c);
      if (ByteIs(c, '>')) {
        ++c.pos;
        return node;
      }
    } else if (ByteIs(c, '<')) {
      if (At(c, "<!--")) {
        // Skipped here rather than in the child's prolog, so that a comment
        // right before the parent's end tag is harmless too.
        SkipComment(c);
        continue;
      }
      XmlNode* child = ParseElementAt(c, depth + 1);
      if (child != nullptr) {
        *childSlot = child;
        childSlot = &child->next;
      }
    } else {
      CString* text = ReadText(c, 0);
      delete node->text;
      node->text = text;
    }
  }
  return node;
}

XmlNode* CXml::ParseDocument(XmlCursor& c) {
  // Some editors start UTF-8 files with a byte-order mark; it says UTF-8 and
  // nothing more, so it is stepped over and wins over a declared encoding.
  const bool byteOrderMark = c.size - c.pos >= 3 && At(c, "\xEF\xBB\xBF");
  if (byteOrderMark) c.pos += 3;
  XmlNode declaration;
  if (!ParseDeclaration(c, &declaration)) {
    delete declaration.encoding;
    return nullptr;
  }
  if (byteOrderMark) codePage = kCodePageUtf8;
  XmlNode* first = ParseElement(c);
  if (first != nullptr) {
    first->encoding = declaration.encoding;
    declaration.encoding = nullptr;
    XmlNode* last = first;
    while (XmlNode* node = ParseElement(c)) {
      last->next = node;
      last = node;
    }
  }
  delete declaration.encoding;
  return first;
}
