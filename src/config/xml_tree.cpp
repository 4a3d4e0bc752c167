// Building, searching and releasing the node tree.
#include <new>
#include <utility>

#include "config/xml.h"

namespace {

// Puts the chain held by children in front of the chain held by rest.
void SpliceInFront(CHolder<XmlNode>& children, CHolder<XmlNode>& rest) {
  if (!children) return;
  XmlNode* last = children.Get();
  while (last->next)
    last = last->next.Get();
  last->next = std::move(rest);
  rest = std::move(children);
}

}  // namespace

XmlAttribute::~XmlAttribute() {
  // Each following attribute is unlinked before it goes, so it has no chain
  // of its own to release.
  while (next) {
    CHolder<XmlAttribute> after(next->next.Release());
    next = std::move(after);
  }
}

XmlNode::~XmlNode() {
  // A node's children are spliced in front of the nodes still to go, and each
  // node is unlinked before it goes: every chain is walked once, which keeps
  // the whole release linear.
  CHolder<XmlNode> rest(next.Release());
  SpliceInFront(firstChild, rest);
  while (rest) {
    CHolder<XmlNode> node(rest.Release());
    rest.Reset(node->next.Release());
    SpliceInFront(node->firstChild, rest);
  }
}

XmlNode* CreateNode(const WideChar* name, const WideChar* text) {
  CHolder<XmlNode> node(new (std::nothrow) XmlNode());
  if (!node) return nullptr;
  if (name != nullptr) {
    node->name.Reset(new (std::nothrow) CString(name));
    if (!node->name) return nullptr;
  }
  if (text != nullptr) {
    // Kept exactly: a folder outside the ANSI code page is written as it is.
    node->text.Reset(new (std::nothrow) CString());
    if (!node->text) return nullptr;
    node->text->AssignName(text);
  }
  return node.Release();
}

XmlNode* FindChild(XmlNode* parent, const WideChar* name) {
  if (parent == nullptr) return nullptr;
  for (XmlNode* child = parent->firstChild.Get(); child != nullptr; child = child->next.Get()) {
    if (child->name != nullptr && child->name->EqualsWide(name)) return child;
  }
  return nullptr;
}

void AppendChild(XmlNode* parent, XmlNode* child) {
  if (parent == nullptr || child == nullptr) return;
  CHolder<XmlNode>* slot = &parent->firstChild;
  while (*slot)
    slot = &(*slot)->next;
  slot->Reset(child);
}

void AddTextChild(XmlNode* parent, const WideChar* name, const WideChar* text) {
  // Without a parent the new node would belong to nobody.
  if (parent == nullptr) return;
  XmlNode* child = CreateNode(name, text);
  if (child != nullptr) AppendChild(parent, child);
}

int32_t GetInt(XmlNode* node, int32_t defaultValue) {
  if (node == nullptr || node->text == nullptr || node->text->length == 0) return defaultValue;
  const WideChar* p = node->text->GetWide();
  if (p == nullptr) return defaultValue;
  while (*p == ' ' || *p == '\t')
    ++p;
  const bool negative = *p == '-';
  if (negative) ++p;
  // Unsigned arithmetic wraps like the 32-bit two's complement it stands for.
  uint32_t value = 0;
  for (; *p != 0; ++p) {
    if (*p < '0' || *p > '9') return defaultValue;
    value = value * 10u + static_cast<uint32_t>(*p - '0');
  }
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}
