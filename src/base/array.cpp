#include "base/array.h"

#include "base/holder.h"

CArray::~CArray() {
  if (items != nullptr) {
    for (int32_t i = 0; i < capacity; ++i)
      delete items[i];
    FreeArray(items);
  }
  items = nullptr;
  capacity = 0;
  count = 0;
}

int CArray::Add(CObject* item) {
  if (items == nullptr || capacity <= count) {
    const int64_t newCapacity = int64_t{count} + capacity + 16;
    if (newCapacity > INT32_MAX) return 0;
    CBuffer<CObject*> slots;
    if (!slots.Allocate(static_cast<size_t>(newCapacity))) return 0;
    for (int32_t i = 0; i < count; ++i)
      slots[i] = items[i];  // NOLINT(clang-analyzer-core.NullDereference): count is 0 without items
    FreeArray(items);
    items = slots.Release();
    capacity = static_cast<int32_t>(newCapacity);
  }
  items[count++] = item;
  return 1;
}
