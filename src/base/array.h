// CArray: a growable array of owned CObject pointers.
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
