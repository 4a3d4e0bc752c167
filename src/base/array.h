// CArray: a growable array of owned CObject pointers, and CArrayOf<T>, the
// typed view that callers use so that no one else casts its items.
#pragma once

#include <cstdint>

#include "base/holder.h"
#include "base/object.h"

class CArray : public CObject {
 public:
  CArray() = default;
  ~CArray() override = default;

  // Takes ownership and returns 1; returns 0 when memory runs out, and the
  // caller still owns item.
  int Add(CObject* item);

  // The number of items.
  int32_t Count() const { return count_; }
  // The item at index, which must be below Count().
  CObject* At(int32_t index) const { return items_[index].Get(); }

 private:
  CBuffer<CHolder<CObject>> items_;
  int32_t capacity_ = 0;
  int32_t count_ = 0;
};

// A CArray whose items are all T (a CObject). The casts live here only.
template <typename T>
class CArrayOf : public CArray {
 public:
  // The item at index, which must be below Count().
  T* GetAt(int32_t index) const { return static_cast<T*>(At(index)); }
  // As CArray::Add, for a T only.
  int Add(T* item) { return CArray::Add(item); }
};
