// The UTF-16 form in which a path goes to the Win32 file functions.
#pragma once

#include "base/holder.h"
#include "base/str.h"

// A path as the file functions take it: its UTF-16 units (foreign units
// given back, see base/str.h), and for a path too long for the classic limit
// the "\\?\" form of its full path, which takes any length on every Windows
// whether or not long paths are enabled for the process.
class CSystemPath {
 public:
  explicit CSystemPath(const CString& path);
  explicit CSystemPath(const char* path);
  CSystemPath(const CSystemPath&) = delete;
  CSystemPath& operator=(const CSystemPath&) = delete;

  // Null when the path is empty or memory ran out.
  const wchar_t* Get() const { return units_.Get(); }

 private:
  void Take(const CString& path);

  CBuffer<wchar_t> units_;
};

// The path a "\\?\" result of the system (GetFinalPathNameByHandleW) stands
// for, without the prefix ("\\?\UNC\server" back to "\\server"), kept as
// a file name is.
void AssignSystemPath(const wchar_t* units, CString* path);
