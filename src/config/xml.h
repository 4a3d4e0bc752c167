// A small, forgiving XML reader and writer for the settings file: one
// declaration, elements, attributes in either quote, text, comments, the five
// predefined entities and numeric character references. No DTD, namespaces or
// CDATA.
#pragma once

#include <cstdint>

#include "base/holder.h"
#include "base/object.h"
#include "base/str.h"
#include "base/wide.h"

// One attribute; it owns the attributes after it. A chain of any length is
// released one attribute at a time.
struct XmlAttribute {
  CHolder<XmlAttribute> next;
  CHolder<CString> name;
  CHolder<CString> value;  // null when the value is empty

  XmlAttribute() = default;
  XmlAttribute(const XmlAttribute&) = delete;
  XmlAttribute& operator=(const XmlAttribute&) = delete;
  ~XmlAttribute();
};

// One element; it owns its children and the siblings after it. Releasing one
// releases the subtree and the chain without recursion, so that no depth of
// nesting or length of chain costs stack.
struct XmlNode {
  CHolder<XmlNode> next;
  CHolder<XmlNode> firstChild;
  CHolder<XmlAttribute> firstAttribute;
  CHolder<CString> name;
  CHolder<CString> text;      // null when the element has no text
  CHolder<CString> encoding;  // declared encoding; first top-level node only

  XmlNode() = default;
  XmlNode(const XmlNode&) = delete;
  XmlNode& operator=(const XmlNode&) = delete;
  ~XmlNode();
};

// The document as the parser sees it; owned by the caller.
struct XmlCursor {
  const char* bytes = nullptr;  // not NUL-terminated
  int32_t size = 0;
  int32_t pos = 0;
};

// One predefined entity, in both the narrow and the UTF-16 form.
struct XmlEntity {
  char character;
  WideChar wideCharacter;
  const char* text;
  const WideChar* wideText;
};

// "&lt;", "&gt;", "&amp;", "&quot;", "&apos;", ended by a row whose text is null.
extern const XmlEntity XmlEntities[];

// The growing output buffer of the writer.
class CXmlString : public CObject {
 public:
  CBuffer<char> buffer;  // NUL-terminated once anything was appended
  int32_t capacity = 0;
  int32_t length = 0;
  int32_t codePage = 65001;
  bool failed = false;  // a piece was dropped for want of memory

  CXmlString() = default;
  ~CXmlString() override = default;

  // Converts count UTF-16 units to codePage and appends them. Out of memory
  // drops the piece and sets failed.
  void Append(const WideChar* text, int32_t count);
  // Hands the buffer over to the caller (a CBuffer's to free), leaving this empty.
  char* Release();

 private:
  void AppendBytes(const char* bytes, int32_t count);
};

class CXml : public CObject {
 public:
  // Code page of the document bytes: 65001 (UTF-8) unless the declaration
  // names Shift_JIS (932).
  int32_t codePage = 65001;
  // Texts are kept as file names are (CString::AssignName) rather than in the
  // ANSI code page alone: the settings store sets it for its folders and
  // takes its other texts back into the code page key by key.
  bool keepNames = false;

  CXml() = default;
  ~CXml() override = default;

  // Reads "<?xml ... ?>"; the declared encoding goes to declaration->encoding.
  // 1 when a complete declaration was read, else 0.
  int ParseDeclaration(XmlCursor& cursor, XmlNode* declaration);
  // A new element with its subtree, owned by the caller, or null.
  XmlNode* ParseElement(XmlCursor& cursor);
  // A new attribute appended to the owner's chain (when given), or null.
  XmlAttribute* ParseAttribute(XmlCursor& cursor, XmlNode* owner);
  // A new name string, or null with pos unchanged.
  CString* ReadName(XmlCursor& cursor);
  // Text up to '<' (terminator 0) or an attribute value up to its closing
  // quote (terminator = the quote), entities decoded, whitespace collapsed.
  // "&#N;" and "&#xH;" give their character, which never collapses; one that
  // is malformed or names no character a document may hold stays as written.
  CString* ReadText(XmlCursor& cursor, char terminator);

  // The whole document as the settings store reads it: an optional UTF-8
  // byte-order mark, the declaration, then every top-level element linked on
  // the first one's next chain. The caller frees the chain; null when the
  // declaration or the first element cannot be read.
  XmlNode* ParseDocument(XmlCursor& cursor);

  // The document bytes (UTF-8, NUL-terminated, the caller's to free with a
  // CBuffer) for the chain starting at first, or null (also when memory ran out).
  char* WriteDocument(XmlNode* first);
  // Writes node and its next chain with their subtrees. 1 done, 0 failed.
  int WriteElements(XmlNode* node, CXmlString& out, int depth);

  // Elements nested deeper than this end the document, so that hostile input
  // cannot exhaust the stack of the recursive reader.
  static constexpr int kMaxDepth = 256;

 private:
  XmlNode* ParseElementAt(XmlCursor& cursor, int depth);
  // A new attribute, moved into *slot when slot is given (the caller's
  // otherwise), or null.
  XmlAttribute* ParseAttributeInto(XmlCursor& cursor, CHolder<XmlAttribute>* slot);
};

// A node with no children and no attributes. A null text leaves text null; an
// empty one gives an unset but present string. Null when memory runs out.
XmlNode* CreateNode(const WideChar* name, const WideChar* text);
// The first child whose name equals name; children without a name are skipped.
XmlNode* FindChild(XmlNode* parent, const WideChar* name);
// Links child at the end of parent's child chain.
void AppendChild(XmlNode* parent, XmlNode* child);
// CreateNode then AppendChild; nothing happens when creation fails.
void AddTextChild(XmlNode* parent, const WideChar* name, const WideChar* text);
// The node's text as a plain decimal integer, or defaultValue.
int32_t GetInt(XmlNode* node, int32_t defaultValue);
// Appends text with the five entity characters replaced by their entities,
// and with every CR, LF and TAB, and every space that the reader would drop or
// merge (at either end, or after another space), as a character reference.
// Other text is written as it stands.
void WriteEscaped(CXmlString& out, const WideChar* text);
