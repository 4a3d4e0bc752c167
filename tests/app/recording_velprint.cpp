// A debug-print library for the tests, loaded by the program under the
// maker's file name: velwprintf formats each call like the program's debug
// lines and keeps the text, and the tests read the kept lines back.
#include <windows.h>

#include <cstdarg>
#include <mutex>
#include <vector>

#include "base/debug_print.h"

namespace {

std::mutex g_lock;
std::vector<WideString> g_lines;

}  // namespace

extern "C" {

__declspec(dllexport) int velwprintf(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  WideString line = FormatDebugLine(format, args);
  va_end(args);
  const int count = static_cast<int>(line.size());
  std::lock_guard<std::mutex> hold(g_lock);
  g_lines.push_back(std::move(line));
  return count;
}

__declspec(dllexport) int velprint_line_count() {
  std::lock_guard<std::mutex> hold(g_lock);
  return static_cast<int>(g_lines.size());
}

// Copies line index into buffer (at most size - 1 characters); returns its
// full length, or -1 when there is no such line.
__declspec(dllexport) int velprint_line(int index, wchar_t* buffer, int size) {
  std::lock_guard<std::mutex> hold(g_lock);
  if (index < 0 || index >= static_cast<int>(g_lines.size()) || size <= 0) return -1;
  const WideString& line = g_lines[static_cast<size_t>(index)];
  const int length = static_cast<int>(line.size());
  const int copied = length < size - 1 ? length : size - 1;
  for (int i = 0; i < copied; ++i)
    buffer[i] = line[static_cast<size_t>(i)];
  buffer[copied] = 0;
  return length;
}

__declspec(dllexport) void velprint_clear() {
  std::lock_guard<std::mutex> hold(g_lock);
  g_lines.clear();
}

}  // extern "C"
