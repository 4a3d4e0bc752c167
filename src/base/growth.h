// The one growth rule of the program's growable buffers: a buffer that is
// full grows by half its capacity (at least to what is needed, never past
// what an int32_t counts), so that a run of appends costs time linear in the
// bytes appended however small each append is.
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>

#include "base/holder.h"

// The first capacity of a buffer that grows from nothing, unless more is needed.
inline constexpr int32_t kFirstCapacity = 16;

// The capacity that holds needed elements, grown from capacity by the rule
// (capacity itself when it holds them already); -1 when needed is negative
// or more than limit.
constexpr int32_t NextCapacity(int32_t capacity, int64_t needed, int32_t limit = INT32_MAX) {
  if (needed < 0 || needed > limit) return -1;
  if (needed <= capacity) return capacity;
  int64_t grown = int64_t{capacity} + capacity / 2;
  if (grown < kFirstCapacity) grown = kFirstCapacity;
  if (grown < needed) grown = needed;
  return grown > limit ? limit : static_cast<int32_t>(grown);
}

// How the slots of a grown buffer past the moved elements start out.
enum class GrowthFill {
  kUninitialised,  // a scratch buffer whose bytes past its length are never read
  kValue,          // value-initialised: zero for numbers and pointers
};

// Makes items (count elements in use, *capacity slots) hold at least needed
// elements by the rule, moving the elements over. False when memory runs out
// or needed passes limit; items and *capacity are then as they were.
template <typename T>
bool GrowToFit(CBuffer<T>& items, int32_t count, int32_t* capacity, int64_t needed,
               GrowthFill fill = GrowthFill::kUninitialised, int32_t limit = INT32_MAX) {
  if (items && needed <= *capacity) return true;
  const int32_t grown = NextCapacity(items ? *capacity : 0, needed, limit);
  if (grown < 0) return false;
  CBuffer<T> larger;
  const bool allocated = fill == GrowthFill::kValue
                             ? larger.Allocate(static_cast<size_t>(grown))
                             : larger.AllocateUninitialised(static_cast<size_t>(grown));
  if (!allocated) return false;
  // std::move of a trivially copyable type is one memmove.
  if (count > 0) std::move(items.Get(), items.Get() + count, larger.Get());
  items = std::move(larger);
  *capacity = grown;
  return true;
}
