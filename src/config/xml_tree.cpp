// Building, searching and releasing the node tree.
#include <new>

#include "config/xml.h"

XmlNode* CreateNode(const WideChar* name, const WideChar* text) {
  XmlNode* node = new (std::nothrow) XmlNode();
  if (node == nullptr) return nullptr;
  if (name != nullptr) {
    node->name = new (std::nothrow) CString(name);
    if (node->name == nullptr) {
      FreeNodes(node);
      return nullptr;
    }
  }
  if (text != nullptr) {
    // Kept exactly: a folder outside the ANSI code page is written as it is.
    node->text = new (std::nothrow) CString();
    if (node->text != nullptr) node->text->AssignName(text);
    if (node->text == nullptr) {
      FreeNodes(node);
      return nullptr;
    }
  }
  return node;
}

void FreeAttributes(XmlAttribute* attribute) {
  while (attribute != nullptr) {
    XmlAttribute* next = attribute->next;
    delete attribute->name;
    delete attribute->value;
    delete attribute;
    attribute = next;
  }
}

void FreeNodes(XmlNode* node) {
  // Without recursion: a node's children are spliced in front of its
  // siblings, so any depth of nesting costs no stack. Every chain is walked
  // once, which keeps the whole release linear.
  while (node != nullptr) {
    if (node->firstChild != nullptr) {
      XmlNode* last = node->firstChild;
      while (last->next != nullptr)
        last = last->next;
      last->next = node->next;
      node->next = node->firstChild;
      node->firstChild = nullptr;
    }
    XmlNode* next = node->next;
    FreeAttributes(node->firstAttribute);
    delete node->name;
    delete node->text;
    delete node->encoding;
    delete node;
    node = next;
  }
}

XmlNode* FindChild(XmlNode* parent, const WideChar* name) {
  if (parent == nullptr) return nullptr;
  for (XmlNode* child = parent->firstChild; child != nullptr; child = child->next) {
    if (child->name != nullptr && child->name->EqualsWide(name)) return child;
  }
  return nullptr;
}

void AppendChild(XmlNode* parent, XmlNode* child) {
  if (parent == nullptr || child == nullptr) return;
  XmlNode** slot = &parent->firstChild;
  while (*slot != nullptr)
    slot = &(*slot)->next;
  *slot = child;
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
