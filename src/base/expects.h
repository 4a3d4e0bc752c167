// BX_EXPECTS: a precondition stated where a primitive takes its arguments.
// Debug builds check it and stop at the first broken one, naming the place;
// release builds (NDEBUG) compile it away, so it may stand on hot paths.
#pragma once

#if defined(NDEBUG)
#define BX_EXPECTS(condition) static_cast<void>(sizeof(static_cast<bool>(condition)))
#else
#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void BxExpectationFailed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: precondition failed: %s\n", file, line, condition);
  std::abort();
}

#define BX_EXPECTS(condition) \
  ((condition) ? static_cast<void>(0) : BxExpectationFailed(#condition, __FILE__, __LINE__))
#endif
