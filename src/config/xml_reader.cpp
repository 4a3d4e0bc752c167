// The reader: turns the bytes of a whole document into a tree of XmlNodes.
// Syntax errors never raise; a step that cannot go on returns null or 0.
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

#include "base/codepage.h"
#include "base/debug_print.h"
#include "base/growth.h"
#include "base/holder.h"
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
// page to ANSI, or kept exactly (CString::AssignName) for keepNames; unset
// when the conversion yields no text; null when memory runs out.
CString* ConvertToString(const char* bytes, int32_t count, int32_t codePage,
                         bool keepNames = false) {
  const CBuffer<WideChar> wide(MultiByteToWide(bytes, count, static_cast<uint32_t>(codePage)));
  if (!wide) return nullptr;
  CString* result = new (std::nothrow) CString();
  if (result != nullptr && keepNames) result->AssignName(wide.Get());
  if (result != nullptr && !keepNames) result->AssignWide(wide.Get());
  return result;
}

// A character a document may hold: TAB, LF, CR and everything from the space
// on, except surrogates, U+FFFE and U+FFFF. A reference to anything else (NUL
// and the other control characters among them) is no character reference.
bool IsDocumentCharacter(uint32_t c) {
  return c == 0x09 || c == 0x0A || c == 0x0D || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// The character of a reference "&#N;" or "&#xH;" at bytes (count bytes
// available), with its byte length in *length; -1 when the bytes there are no
// well-formed reference to a character a document may hold.
int32_t ReadCharacterReference(const char* bytes, int32_t count, int32_t* length) {
  if (count < 4 || bytes[0] != '&' || bytes[1] != '#') return -1;
  const bool hex = bytes[2] == 'x';
  const uint32_t base = hex ? 16 : 10;
  const int32_t firstDigit = hex ? 3 : 2;
  int32_t p = firstDigit;
  uint32_t value = 0;
  for (; p < count; ++p) {
    const char b = bytes[p];
    uint32_t digit;
    if (b >= '0' && b <= '9') {
      digit = static_cast<uint32_t>(b - '0');
    } else if (hex && b >= 'a' && b <= 'f') {
      digit = static_cast<uint32_t>(b - 'a' + 10);
    } else if (hex && b >= 'A' && b <= 'F') {
      digit = static_cast<uint32_t>(b - 'A' + 10);
    } else {
      break;
    }
    value = value * base + digit;
    // Checked at every digit, so that the value cannot wrap around.
    if (value > 0x10FFFF) return -1;
  }
  if (p == firstDigit || p >= count || bytes[p] != ';' || !IsDocumentCharacter(value)) return -1;
  *length = p + 1;
  return static_cast<int32_t>(value);
}

// The UTF-16 text of a value that holds character references: the document
// bytes around them are converted run by run, so that a referenced character
// never has to pass through the document's code page (Shift_JIS cannot hold
// most of them). Grows without throwing; after an allocation failure it
// stays failed.
class WideText {
 public:
  // firstCapacity: the units the text most likely needs (its bytes), taken
  // at the first append.
  explicit WideText(int32_t firstCapacity) : firstCapacity_(firstCapacity) {}
  WideText(const WideText&) = delete;
  WideText& operator=(const WideText&) = delete;

  // Converts count document bytes. A NUL byte ends the text there, as it
  // ends a text without references.
  void AppendBytes(const char* bytes, int32_t count, int32_t codePage) {
    if (count <= 0 || ended_) return;
    const CBuffer<WideChar> wide(MultiByteToWide(bytes, count, static_cast<uint32_t>(codePage)));
    if (!wide) {
      failed_ = true;
      return;
    }
    AppendUnits(wide.Get(), WideLength(wide.Get()));
    if (std::memchr(bytes, 0, static_cast<size_t>(count)) != nullptr) ended_ = true;
  }

  void AppendCharacter(uint32_t c) {
    if (c < 0x10000) {
      const WideChar unit = static_cast<WideChar>(c);
      AppendUnits(&unit, 1);
    } else {
      c -= 0x10000;
      const WideChar pair[2] = {static_cast<WideChar>(0xD800 + (c >> 10)),
                                static_cast<WideChar>(0xDC00 + (c & 0x3FF))};
      AppendUnits(pair, 2);
    }
  }

  bool Failed() const { return failed_; }
  // NUL-terminated.
  const WideChar* Units() const { return units_ ? units_.Get() : WSTR(""); }

 private:
  void AppendUnits(const WideChar* units, int32_t count) {
    if (failed_ || ended_ || count <= 0) return;
    int64_t needed = int64_t{length_} + count + 1;
    if (!units_ && needed < firstCapacity_) needed = firstCapacity_;
    if (!GrowToFit(units_, length_, &capacity_, needed)) {
      failed_ = true;
      return;
    }
    std::memcpy(units_.Get() + length_, units, sizeof(WideChar) * static_cast<size_t>(count));
    length_ += count;
    units_[length_] = 0;
  }

  CBuffer<WideChar> units_;
  int32_t firstCapacity_;
  int32_t capacity_ = 0;
  int32_t length_ = 0;
  bool failed_ = false;
  bool ended_ = false;
};

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

  // Entities, character references and whitespace runs only shrink the text,
  // so the stretch plus a terminator is always enough room.
  CBuffer<char> text;
  if (!text.AllocateUninitialised(static_cast<size_t>(end - start) + 1)) return nullptr;
  char* out = text.Get();
  int32_t written = 0;
  // Taken into use by the first character reference; out[0, converted) has
  // gone into it by then.
  WideText referenced(end - start + 1);
  bool anyReference = false;
  int32_t converted = 0;
  bool inSpace = false;
  bool ended = false;
  int32_t p = start;
  while (p < c.size) {
    const char b = c.bytes[p];
    if (b == '&') {
      int32_t length = 0;
      const int32_t character = ReadCharacterReference(c.bytes + p, c.size - p, &length);
      if (character >= 0) {
        // A referenced character is text, whitespace included: it is how
        // the writer keeps line breaks, TABs and spaces that would collapse.
        referenced.AppendBytes(out + converted, written - converted, codePage);
        referenced.AppendCharacter(static_cast<uint32_t>(character));
        converted = written;
        anyReference = true;
        p += length;
        inSpace = false;
        continue;
      }
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
        if (written > 0 || anyReference) out[written++] = ' ';
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
    c.pos = p == start && p < c.size ? p + 1 : p;
    return nullptr;
  }
  // The space written for a final whitespace run is not part of the text.
  if (inSpace && written > converted) --written;
  out[written] = 0;
  CString* result = nullptr;
  if (!anyReference) {
    result = ConvertToString(out, written + 1, codePage, keepNames);
  } else {
    referenced.AppendBytes(out + converted, written - converted, codePage);
    if (!referenced.Failed()) {
      result = new (std::nothrow) CString();
      if (result != nullptr && keepNames) result->AssignName(referenced.Units());
      if (result != nullptr && !keepNames) result->AssignWide(referenced.Units());
    }
  }
  return result;
}

XmlAttribute* CXml::ParseAttribute(XmlCursor& cursor, XmlNode* owner) {
  if (owner == nullptr) return ParseAttributeInto(cursor, nullptr);
  CHolder<XmlAttribute>* slot = &owner->firstAttribute;
  while (*slot)
    slot = &(*slot)->next;
  return ParseAttributeInto(cursor, slot);
}

XmlAttribute* CXml::ParseAttributeInto(XmlCursor& c, CHolder<XmlAttribute>* slot) {
  CHolder<XmlAttribute> attribute(new (std::nothrow) XmlAttribute());
  if (!attribute) return nullptr;
  SkipWhitespace(c);
  attribute->name.Reset(ReadName(c));
  if (attribute->name) {
    SkipWhitespace(c);
    if (ByteIs(c, '=')) {
      ++c.pos;
      SkipWhitespace(c);
      if (ByteIs(c, '\'') || ByteIs(c, '"')) {
        const char quote = c.bytes[c.pos];
        ++c.pos;
        attribute->value.Reset(ReadText(c, quote));
        // An empty value leaves pos on the closing quote; step over it, or the
        // quote would be taken for the start of the next attribute and an
        // attribute written as name="" could never be read back.
        if (!attribute->value && ByteIs(c, quote)) ++c.pos;
        if (slot == nullptr) return attribute.Release();  // the caller's
        *slot = std::move(attribute);
        return slot->Get();
      }
    }
  }
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
    const CHolder<XmlAttribute> attribute(ParseAttribute(c, nullptr));
    if (!attribute) return 0;
    if (IsExactly(attribute->name.Get(), "encoding")) {
      codePage = kCodePageUtf8;
      if (EqualsIgnoringAsciiCase(attribute->value.Get(), "shift_jis")) {
        codePage = kCodePageShiftJis;
      }
      if (declaration != nullptr) declaration->encoding = std::move(attribute->value);
    }
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
  CHolder<XmlNode> node(new (std::nothrow) XmlNode());
  if (!node || c.pos >= c.size) return nullptr;

  // Prolog: comments before the start tag.
  int32_t previous = kNoPass;
  for (;;) {
    if (c.pos == previous) {
      ReportStall(c.pos);
      return nullptr;
    }
    previous = c.pos;
    SkipWhitespace(c);
    if (!ByteIs(c, '<')) return nullptr;
    if (!At(c, "<!--")) break;
    SkipComment(c);
  }

  ++c.pos;
  const int32_t nameStart = c.pos;
  node->name.Reset(ReadName(c));
  if (!node->name) return nullptr;
  const int32_t nameLength = c.pos - nameStart;

  // ReadName stopped on a byte inside the document.
  if (IsXmlSpace(c.bytes[c.pos])) {
    SkipWhitespace(c);
  } else if (c.bytes[c.pos] != '/' && c.bytes[c.pos] != '>') {
    return nullptr;
  }
  if (At(c, "/>")) {
    c.pos += 2;
    return node.Release();
  }

  if (ByteIs(c, '>')) {
    ++c.pos;
  } else {
    CHolder<XmlAttribute>* attributeSlot = &node->firstAttribute;
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
        return node.Release();
      }
      if (ByteIs(c, '>')) {
        ++c.pos;
        inContent = true;
        break;
      }
      XmlAttribute* attribute = ParseAttributeInto(c, attributeSlot);
      if (attribute == nullptr) return nullptr;
      attributeSlot = &attribute->next;
    }
    if (!inContent) return node.Release();
  }

  // Content: text, child elements, comments and the end tag.
  CHolder<XmlNode>* childSlot = &node->firstChild;
  previous = kNoPass;
  while (c.pos < c.size) {
    if (c.pos == previous) {
      ReportStall(c.pos);
      return node.Release();
    }
    previous = c.pos;
    SkipWhitespace(c);
    if (c.pos >= c.size) break;
    if (At(c, "</")) {
      c.pos += 2;
      if (c.size - c.pos < nameLength ||
          std::memcmp(c.bytes + c.pos, c.bytes + nameStart, static_cast<size_t>(nameLength)) != 0) {
        // A mismatched end tag ends the whole document.
        c.pos = c.size;
        return nullptr;
      }
      c.pos += nameLength;
      SkipWhitespace(c);
      if (ByteIs(c, '>')) {
        ++c.pos;
        return node.Release();
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
        childSlot->Reset(child);
        childSlot = &child->next;
      }
    } else {
      node->text.Reset(ReadText(c, 0));
    }
  }
  return node.Release();
}

XmlNode* CXml::ParseDocument(XmlCursor& c) {
  // Some editors start UTF-8 files with a byte-order mark; it says UTF-8 and
  // nothing more, so it is stepped over and wins over a declared encoding.
  const bool byteOrderMark = c.size - c.pos >= 3 && At(c, "\xEF\xBB\xBF");
  if (byteOrderMark) c.pos += 3;
  XmlNode declaration;
  if (!ParseDeclaration(c, &declaration)) return nullptr;
  if (byteOrderMark) codePage = kCodePageUtf8;
  XmlNode* first = ParseElement(c);
  if (first != nullptr) {
    first->encoding = std::move(declaration.encoding);
    XmlNode* last = first;
    while (XmlNode* node = ParseElement(c)) {
      last->next.Reset(node);
      last = node;
    }
  }
  return first;
}
