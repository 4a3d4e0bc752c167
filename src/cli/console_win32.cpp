#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "base/str.h"
#include "cli/console.h"

namespace {

// The UTF-16 form of an 8-bit path, owned by text.
const wchar_t* WidePath(CString& text, const char* path) {
  text.AssignBytes(path, static_cast<int32_t>(std::strlen(path)));
  return text.GetWide();
}

}  // namespace

bool StandardErrorIsTerminal() {
  return _isatty(_fileno(stderr)) != 0;
}

void SetStandardOutputBinary() {
  std::fflush(stdout);
  _setmode(_fileno(stdout), _O_BINARY);
}

bool MoveFileOver(const char* from, const char* to) {
  CString fromText;
  CString toText;
  const wchar_t* fromWide = WidePath(fromText, from);
  const wchar_t* toWide = WidePath(toText, to);
  if (fromWide == nullptr || toWide == nullptr) return false;
  return MoveFileExW(fromWide, toWide, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveFile(const char* path) {
  CString text;
  const wchar_t* wide = WidePath(text, path);
  return wide != nullptr && DeleteFileW(wide) != 0;
}
