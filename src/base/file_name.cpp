#include "base/file_name.h"

#include <cstring>
#include <new>

namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}
bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Sets part to bytes [start, start + count) of text, trimmed; false when
// memory runs out.
bool SetPart(CString& part, const char* text, int32_t start, int32_t count) {
  if (!part.AssignBytes(text + start, count)) return false;
  part.Trim();
  return true;
}

}  // namespace

int CFileName::SetPath(const char* newPath) {
  if (newPath == nullptr) return 0;
  const size_t size = std::strlen(newPath);
  if (size > INT32_MAX - 2) return 0;
  const auto n = static_cast<int32_t>(size);
  // Out of memory: path may hold nothing, so there is nothing to scan.
  if (!path.AssignBytes(newPath, n)) return 0;
  // Work on the stored copy: newPath may be one of this object's own strings.
  const char* p = path.Text();

  // s: index where the name starts (one past the last separator, 0 when none);
  // d: index where the extension starts (one past the last dot after it).
  int32_t s = 0;
  int32_t d = -1;
  for (int32_t i = 0; i < n; ++i) {
    if (IsSeparator(p[i])) {
      s = i + 1;
      d = -1;
    } else if (p[i] == '.') {
      d = i + 1;
    }
  }

  // A part left with its old text would name another file (a lost folder
  // puts the name at the root).
  bool copied = (s <= 1 || SetPart(folder, p, 0, s - 1)) &&
                (n - s <= 0 || SetPart(name, p, s, n - s)) &&
                (d < 0 || d - s <= 1 || n - d <= 0 || SetPart(extension, p, d, n - d));
  if (d >= 0) {
    copied = copied && SetPart(stem, p, s, d - s - 1);
  } else if (n - s > 0) {
    copied = copied && SetPart(stem, p, s, n - s);
  }

  int32_t i = s;
  while (i < n && IsBlank(p[i]))
    ++i;
  nameStart = i < n ? i : -1;
  if (d < 0) {
    extensionStart = -1;
  } else {
    i = d;
    while (i < n && IsBlank(p[i]))
      ++i;
    extensionStart = i < n ? i : -1;
  }
  return copied ? 1 : 0;
}

int CFileName::EnsureExtension(const char* newExtension) {
  if (newExtension == nullptr) newExtension = "";
  const auto extensionLength = static_cast<int32_t>(std::strlen(newExtension));
  if (path.length > 0 && extensionStart >= 0 && extensionStart < path.length &&
      path.length - extensionStart == extensionLength) {
    bool same = true;
    for (int32_t i = 0; i < extensionLength && same; ++i) {
      same = AsciiLower(path.data[extensionStart + i]) == AsciiLower(newExtension[i]);
    }
    if (same) return 1;
  }
  CString joined;
  if (!joined.AssignBytes(path.Text(), path.length) || !joined.AppendBytes(".", 1) ||
      !joined.AppendBytes(newExtension, extensionLength)) {
    return 0;
  }
  path.Clear();
  folder.Clear();
  name.Clear();
  stem.Clear();
  extension.Clear();
  nameStart = -1;
  extensionStart = -1;
  return SetPath(joined.Text());
}

bool FolderOfPath(const char* path, CString* folder) {
  size_t end = 0;
  for (size_t i = 0; path[i] != 0; ++i) {
#if defined(_WIN32)
    if (path[i] == '\\' || path[i] == '/') end = i + 1;
#else
    if (path[i] == '/') end = i + 1;
#endif
  }
  // The separator goes except where it is the root itself ("/", "C:\\").
  const bool root = end == 1 || (end == 3 && path[1] == ':');
  if (end > 0 && !root) --end;
  return folder->AssignBytes(path, static_cast<int32_t>(end)) != 0;
}
