#include "support/allocation_failure.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// -1 while no scope is armed; otherwise the allocations still to succeed
// before the chosen one.
std::atomic<int64_t> countdown{-1};
std::atomic<bool> failFrom{false};
std::atomic<bool> fired{false};

// Whether this non-throwing allocation is to fail.
bool FailThisOne() {
  int64_t left = countdown.load();
  while (left >= 0) {
    const int64_t next = left > 0 ? left - 1 : (failFrom.load() ? 0 : -1);
    if (countdown.compare_exchange_weak(left, next)) {
      if (left > 0) return false;
      fired.store(true);
      return true;
    }
  }
  return false;
}

void* Allocate(std::size_t size) {
  return std::malloc(size != 0 ? size : 1);
}

void* AllocateOrThrow(std::size_t size) {
  void* block = Allocate(size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

}  // namespace

namespace test {

FailAllocation::FailAllocation(int64_t skip, Mode mode) {
  fired.store(false);
  failFrom.store(mode == kFrom);
  countdown.store(skip < 0 ? 0 : skip);
}

FailAllocation::~FailAllocation() {
  countdown.store(-1);
}

bool FailAllocation::Fired() const {
  return fired.load();
}

}  // namespace test

// The replacement works by malloc and free for every form the program and
// the tests use, so that a block always goes back the way it came. Under
// AddressSanitizer the executable's definitions take precedence over the
// sanitizer's, which still checks the blocks through malloc and free.
void* operator new(std::size_t size) {
  return AllocateOrThrow(size);
}
void* operator new[](std::size_t size) {
  return AllocateOrThrow(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return FailThisOne() ? nullptr : Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return FailThisOne() ? nullptr : Allocate(size);
}
void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete[](void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
  std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
  std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
  std::free(block);
}
