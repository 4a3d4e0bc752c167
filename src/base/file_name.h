// CFileName: one path kept split into folder, name, stem and extension.
// A path is a CString holding any name the system holds: the characters the
// ANSI code page lacks stand in it as foreign units (base/str.h explains
// them); the file layer (base/file.h) gives them back to the system, and a
// path too long for the classic limit goes to it in the "\\?\" form.
#pragma once

#include <cstdint>

#include "base/str.h"

// The separator that joins a folder and a name on this platform.
#if defined(_WIN32)
inline constexpr char kFolderSeparator = '\\';
#else
inline constexpr char kFolderSeparator = '/';
#endif

// The folder part of a path, for a file to be made beside it: "" for the
// current directory, the root with its separator ("/", "C:\\"). Separators
// are those of the platform. False when memory runs out.
bool FolderOfPath(const char* path, CString* folder);

class CFileName {
 public:
  CString path;  // exactly as last given to SetPath
  // Index in path of the first non-blank byte of the name or the extension;
  // -1 when there is none.
  int32_t nameStart = -1;
  int32_t extensionStart = -1;
  CString folder;     // before the last separator
  CString name;       // after the last separator
  CString stem;       // name without its last dot and what follows
  CString extension;  // after the last dot of the name

  CFileName() = default;
  CFileName(const CFileName&) = delete;
  CFileName& operator=(const CFileName&) = delete;
  CFileName(CFileName&&) noexcept = default;
  CFileName& operator=(CFileName&&) noexcept = default;
  virtual ~CFileName() = default;

  // Splits an 8-bit path; separators are '\\' and '/'. Returns 0 for null or
  // when memory runs out: nothing changes when the path itself cannot be
  // copied, otherwise the parts are incomplete and the name is not to be
  // used. Parts the path does not have keep their old values.
  int SetPath(const char* newPath);
  // Appends "." + extension unless the path already ends with it (ASCII case
  // ignored); the parts are then rebuilt from scratch. Returns 1, or 0 when
  // memory runs out (the name is then unchanged, or not to be used).
  int EnsureExtension(const char* newExtension);
};
