// The writer: a node tree becomes UTF-8 document bytes, with a line break after
// the declaration, after each end tag and after each empty-element tag only.
#include <cstdint>
#include <cstring>
#include "base/codepage.h"
#include "base/growth.h"
#include "base/holder.h"
#include "config/xml.h"

char* CXmlString::Release() {
  capacity = 0;
  length = 0;
  return buffer.Release();
}

void CXmlString::AppendBytes(const char* bytes, int32_t count) {
  if (count < 0) return;
  if (!GrowToFit(buffer, length, &capacity, int64_t{length} + count + 1)) {
    failed = true;
    return;
  }
  if (count > 0) std::memcpy(buffer.Get() + length, bytes, static_cast<size_t>(count));
  length += count;
  buffer[length] = 0;
}

void CXmlString::Append(const WideChar* text, int32_t count) {
  if (text == nullptr || count <= 0) return;
  const CBuffer<char> converted(WideToMultiByte(text, count, static_cast<uint32_t>(codePage)));
  if (!converted) {
    failed = true;
    return;
  }
  AppendBytes(converted.Get(), static_cast<int32_t>(std::strlen(converted.Get())));
}

namespace {

void Put(CXmlString& out, const WideChar* text) {
  out.Append(text, WideLength(text));
}

// Names and the encoding are written as they stand, without escaping.
void PutString(CXmlString& out, CString* text) {
  if (text != nullptr) Put(out, text->GetWide());
}

// What the unit at p of text is written as, or null when it stands for itself.
// The reader collapses whitespace, so whitespace that must survive as it is
// goes out as a character reference; a single inner space does not need one.
const WideChar* Escape(const WideChar* text, const WideChar* p) {
  for (const XmlEntity* entity = XmlEntities; entity->text != nullptr; ++entity) {
    if (entity->wideCharacter == *p) return entity->wideText;
  }
  switch (*p) {
    case WSTR('\r'):
      return WSTR("&#13;");
    case WSTR('\n'):
      return WSTR("&#10;");
    case WSTR('\t'):
      return WSTR("&#9;");
    case WSTR(' '):
      if (p == text || p[1] == 0 || p[-1] == WSTR(' ')) return WSTR("&#32;");
      return nullptr;
    default:
      return nullptr;
  }
}

}  // namespace

void WriteEscaped(CXmlString& out, const WideChar* text) {
  if (text == nullptr) return;
  // Runs between escaped characters are converted whole, so that the two
  // halves of a character outside the Basic Multilingual Plane stay together.
  const WideChar* run = text;
  for (const WideChar* p = text; *p != 0; ++p) {
    const WideChar* escaped = Escape(text, p);
    if (escaped == nullptr) continue;
    out.Append(run, static_cast<int32_t>(p - run));
    Put(out, escaped);
    run = p + 1;
  }
  out.Append(run, WideLength(run));
}

char* CXml::WriteDocument(XmlNode* first) {
  codePage = kCodePageUtf8;
  CXmlString out;
  out.codePage = kCodePageUtf8;
  Put(out, WSTR("<?xml version=\"1.0\" "));
  if (first != nullptr && first->encoding != nullptr) {
    Put(out, WSTR("encoding=\""));
    PutString(out, first->encoding.Get());
    Put(out, WSTR("\" "));
  }
  Put(out, WSTR("?>\r\n"));
  // A document with a piece dropped for want of memory is never handed out.
  if (!WriteElements(first, out, 0) || out.failed) return nullptr;
  return out.Release();
}

int CXml::WriteElements(XmlNode* node, CXmlString& out, int depth) {
  for (; node != nullptr; node = node->next.Get()) {
    Put(out, WSTR("<"));
    PutString(out, node->name.Get());
    if (node->firstAttribute != nullptr) {
      Put(out, WSTR(" "));
      for (XmlAttribute* a = node->firstAttribute.Get(); a != nullptr; a = a->next.Get()) {
        if (a->name == nullptr || a->name->length == 0) continue;
        PutString(out, a->name.Get());
        Put(out, WSTR("=\""));
        if (a->value != nullptr) WriteEscaped(out, a->value->GetWide());
        Put(out, WSTR("\" "));
      }
    }
    if (node->text == nullptr && node->firstChild == nullptr) {
      Put(out, WSTR("/>\r\n"));
      continue;
    }
    Put(out, WSTR(">"));
    if (node->text != nullptr) WriteEscaped(out, node->text->GetWide());
    if (node->firstChild != nullptr && !WriteElements(node->firstChild.Get(), out, depth + 1))
      return 0;
    Put(out, WSTR("</"));
    PutString(out, node->name.Get());
    Put(out, WSTR(">\r\n"));
  }
  return 1;
}
