// Helpers of the settings and XML tests: documents parsed from literals, a
// readable dump of a node tree, and a recorder for the debug lines.
#pragma once

#include <cstdarg>
#include <string>
#include <vector>

#include "base/debug_print.h"
#include "base/str.h"
#include "config/xml.h"
#include "support/test_support.h"

namespace configtest {

// The narrow bytes of a string; "(unset)" tells an unset string from an
// allocated empty one where that matters.
inline std::string Bytes(const CString* text) {
  if (text == nullptr) return "(null)";
  return std::string(text->Text(), static_cast<size_t>(text->length));
}

// The same for a string a node or an attribute holds.
inline std::string Bytes(const CHolder<CString>& text) {
  return Bytes(text.Get());
}

// The text as the program keeps it: UTF-8 test literal -> UTF-16 -> ANSI.
inline std::string Ansi(const std::string& utf8) {
  CString text(test::Utf16(utf8).c_str());
  return Bytes(&text);
}

// name[attr="value",bare]"text"(children...) with siblings joined by ", ".
// A null text prints nothing, a present one prints its quoted bytes; an
// attribute without a value object prints its bare name.
inline std::string Dump(const XmlNode* node) {
  if (node == nullptr) return "(null)";
  std::string out;
  for (; node != nullptr; node = node->next.Get()) {
    if (!out.empty()) out += ", ";
    out += node->name != nullptr ? Bytes(node->name.Get()) : "?";
    if (node->firstAttribute != nullptr) {
      out += "[";
      for (const XmlAttribute* a = node->firstAttribute.Get(); a != nullptr; a = a->next.Get()) {
        if (a != node->firstAttribute.Get()) out += ",";
        out += Bytes(a->name.Get());
        if (a->value != nullptr) out += "=\"" + Bytes(a->value.Get()) + "\"";
      }
      out += "]";
    }
    if (node->text != nullptr) out += "\"" + Bytes(node->text.Get()) + "\"";
    if (node->firstChild != nullptr) out += "(" + Dump(node->firstChild.Get()) + ")";
  }
  return out;
}

// Owns the bytes, the cursor and the tree of one parse.
struct Parsed {
  explicit Parsed(std::string document) : bytes(std::move(document)) {
    cursor.bytes = bytes.data();
    cursor.size = static_cast<int32_t>(bytes.size());
  }
  Parsed(const Parsed&) = delete;
  Parsed& operator=(const Parsed&) = delete;

  XmlNode* Element() {
    tree.Reset(xml.ParseElement(cursor));
    return tree.Get();
  }
  XmlNode* Document() {
    tree.Reset(xml.ParseDocument(cursor));
    return tree.Get();
  }

  std::string bytes;
  CXml xml;
  XmlCursor cursor;
  CHolder<XmlNode> tree;
};

// Collects every debug line while it lives.
class DebugLines {
 public:
  DebugLines() {
    lines_ = &recorded_;
    previous_ = SetDebugPrintTarget(&Record);
  }
  ~DebugLines() {
    SetDebugPrintTarget(previous_);
    lines_ = nullptr;
  }
  DebugLines(const DebugLines&) = delete;
  DebugLines& operator=(const DebugLines&) = delete;

  const std::vector<WideString>& Lines() const { return recorded_; }

 private:
  static int Record(const WideChar* format, ...) {
    va_list args;
    va_start(args, format);
    if (lines_ != nullptr) lines_->push_back(FormatDebugLine(format, args));
    va_end(args);
    return 0;
  }

  static inline std::vector<WideString>* lines_ = nullptr;
  std::vector<WideString> recorded_;
  DebugPrintFunction previous_ = nullptr;
};

}  // namespace configtest
