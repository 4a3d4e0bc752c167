#include "base/array.h"

#include "base/growth.h"

int CArray::Add(CObject* item) {
  if (!GrowToFit(items_, count_, &capacity_, int64_t{count_} + 1)) return 0;
  items_[count_++].Reset(item);
  return 1;
}
