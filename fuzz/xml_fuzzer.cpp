// The XML reader on arbitrary bytes, read the way the settings store reads a
// settings file, then the settings taken from the tree. Besides finding
// crashes and leaks it checks that a tree written back by the writer reads
// back as exactly the same tree, text and whitespace byte for byte, apart
// from what the document cannot tell apart: an absent text or attribute value
// and an empty one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "config/xml.h"
#include "convert/app_parameter.h"

namespace {

std::string Bytes(const CString* text) {
  return text != nullptr ? std::string(text->Text(), static_cast<size_t>(text->length))
                         : std::string();
}

bool SameName(const CString* a, const CString* b) {
  return (a == nullptr) == (b == nullptr) && Bytes(a) == Bytes(b);
}

bool SameTree(const XmlNode* a, const XmlNode* b) {
  for (; a != nullptr && b != nullptr; a = a->next.Get(), b = b->next.Get()) {
    if (!SameName(a->name.Get(), b->name.Get()) || Bytes(a->text.Get()) != Bytes(b->text.Get())) {
      return false;
    }
    const XmlAttribute* x = a->firstAttribute.Get();
    const XmlAttribute* y = b->firstAttribute.Get();
    for (; x != nullptr && y != nullptr; x = x->next.Get(), y = y->next.Get()) {
      if (!SameName(x->name.Get(), y->name.Get()) ||
          Bytes(x->value.Get()) != Bytes(y->value.Get())) {
        return false;
      }
    }
    if (x != nullptr || y != nullptr) return false;
    if (!SameTree(a->firstChild.Get(), b->firstChild.Get())) return false;
  }
  return a == nullptr && b == nullptr;
}

bool IsUtf8Name(const CString* encoding) {
  const std::string text = Bytes(encoding);
  if (text.size() != 5) return false;
  std::string lower;
  for (char c : text)
    lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return lower == "utf-8";
}

XmlNode* Parse(const char* bytes, size_t size) {
  CXml xml;
  XmlCursor cursor;
  cursor.bytes = bytes;
  cursor.size = static_cast<int32_t>(size);
  return xml.ParseDocument(cursor);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  // The input is not NUL-terminated for the reader either: a private copy
  // lets AddressSanitizer catch a read one byte past the end.
  char* bytes = new char[size];
  if (size > 0) std::memcpy(bytes, data, size);

  const CHolder<XmlNode> owned(Parse(bytes, size));
  XmlNode* first = owned.Get();
  if (first != nullptr) {
    static CAppParameter* parameter = new CAppParameter();
    CXml xml;
    parameter->ReadSettings(xml, first);

    // The writer always writes UTF-8; a declared encoding is kept only where
    // it says so, since the writer copies it as it stands.
    if (!IsUtf8Name(first->encoding.Get())) {
      first->encoding.Reset();
    }
    char* written = xml.WriteDocument(first);
    if (written == nullptr) std::abort();
    const CHolder<XmlNode> again(Parse(written, std::strlen(written)));
    if (!SameTree(first, again.Get())) std::abort();
    delete[] written;
  }
  delete[] bytes;
  return 0;
}
