#include "base/array.h"

#include <new>

CArray::~CArray() {
  if (items != nullptr) {
    for (int32_t i = 0; i < capacity; ++i)
      delete items[i];
    delete[] items;
  }
  items = nullptr;
  capacity = 0;
  count = 0;
}

int CArray::Add(CObject* item) {
  if (items == nullptr || capacity <= count) {
    const int64_t newCapacity = int64_t{count} + capacity + 16;
    if (newCapacity > INT32_MAX) return 0;
    CObject** slots = new (std::nothrow) CObject*[newCapacity]();
    if (slots == nullptr) return 0;
    for (int32_t i = 0; i < count; ++i)
      slots[i] = items[i];
    delete[] items;
    items = slots;
    capacity = static_cast<int32_t>(newCapacity);
  }
  items[count++] = item;
  return 1;
}
