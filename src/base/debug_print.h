// DebugPrint: process-wide printf-style diagnostic output of UTF-16 text.
// "%s" takes a WideChar string, "%d" an int32_t. Where the lines go is set by
// start-up; until then, and after shutdown, they are discarded.
#pragma once

#include <cstdarg>
#include <string>

#include "base/wide.h"

using DebugPrintFunction = int (*)(const WideChar* format, ...);

// The built-in target: ignores its arguments and returns 0.
int DebugPrintDiscard(const WideChar* format, ...);

// Installs target (null: the built-in discard) and returns the previous one.
DebugPrintFunction SetDebugPrintTarget(DebugPrintFunction target);
void ResetDebugPrintTarget();
DebugPrintFunction GetDebugPrintTarget();

// Reads the target once and calls it with the format and arguments.
template <typename... Args>
int DebugPrint(const WideChar* format, Args... args) {
  return GetDebugPrintTarget()(format, args...);
}

using WideString = std::basic_string<WideChar>;

// Formats like the debug lines' printf: %s (WideChar string, null prints
// "(null)"), %d %i %u %x %X (int32_t-sized unless l/ll/z/I64 precedes), %c,
// %%, flags "-0+ #", width and precision. For sinks that record or print the
// lines; the program itself never formats them.
WideString FormatDebugLine(const WideChar* format, va_list args);
