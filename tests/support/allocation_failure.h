// Makes the program's allocations fail on purpose, in any test binary.
//
// The program allocates with new (std::nothrow) and checks for null. Every
// test binary links the replacement of the global operator new in
// allocation_failure.cpp: it counts those non-throwing allocations while a
// FailAllocation is in scope and returns null for the chosen ones. Throwing
// allocations (the tests' own containers, GoogleTest) are never failed.
#pragma once

#include <cstdint>

namespace test {

class FailAllocation {
 public:
  enum Mode {
    kOnce,  // only the chosen allocation fails; later ones succeed
    kFrom,  // the chosen one and every one after it fail
  };
  // Chooses the allocation with index skip from now on (0: the next one).
  // Scopes do not nest.
  explicit FailAllocation(int64_t skip, Mode mode = kOnce);
  ~FailAllocation();
  FailAllocation(const FailAllocation&) = delete;
  FailAllocation& operator=(const FailAllocation&) = delete;

  // True once an allocation was made to fail: a sweep over skip is over at
  // the first skip for which the code ran without reaching it.
  bool Fired() const;
};

// Runs call() with the allocation with index skip from now failing (kOnce);
// true when that allocation came and failed.
template <typename Call>
bool RunFailingAllocation(int64_t skip, Call call) {
  FailAllocation fail(skip);
  call();
  return fail.Fired();
}

// Runs step(skip) for skip = 0, 1, ... until it returns false. A step sets
// its state up, runs the code under test in RunFailingAllocation(skip, ...),
// checks the outcome and returns what that returned: the sweep ends with the
// first run that allocated fewer than skip + 1 times. Returns the number of
// runs in which an allocation failed.
template <typename Step>
int64_t SweepAllocationFailures(Step step) {
  int64_t skip = 0;
  while (step(skip))
    ++skip;
  return skip;
}

}  // namespace test
