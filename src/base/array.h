// CArray: a growable array of owned CObject pointers, and CArrayOf<T>, the
// typed view that callers use so that no one else casts its items.
#pragma once

#include <cstdint>

#include "base/object.h"

class CArray : public CObject {
 public:
  // Slots from count to capacity are null.
  CObject** items = nullptr;
  int32_t capacity = 0;
  int32_t count = 0;

  CArray() = default;
  ~CArray() override;

  // Takes ownership and returns 1; returns 0 when memory runs out, and the
  // caller still owns item.
  int Add(CObject* item);
};

// A CArray whose items are all T (a CObject). The casts live here only.
template <typename T>
class CArrayOf : public CArray {
 public:
  // The item at index, which must be below count.
  T* GetAt(int32_t index) const { return static_cast<T*>(items[index]); }
  // As CArray::Add, for a T only.
  int Add(T* item) { return CArray::Add(item); }
};
