// Small helpers shared by the test binaries: temporary folders and the
// conversions between std::filesystem paths and CString.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "base/file.h"
#include "base/str.h"
#include "base/wide.h"

namespace test {

// A fresh folder under the system's temporary folder, removed with its
// contents at destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// The path as CString text (ANSI code page, as the program keeps paths).
void AssignPath(CString& target, const std::filesystem::path& path);

// The path as UTF-16 for the platform calls.
std::basic_string<WideChar> WidePath(const std::filesystem::path& path);

// A UTF-8 literal as WideChar text (test sources are UTF-8).
std::basic_string<WideChar> Utf16(const std::string& utf8);

std::vector<uint8_t> ReadAll(const std::filesystem::path& path);
void WriteAll(const std::filesystem::path& path, const std::string& bytes);
void WriteAll(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

// A real file whose writes fall short from the write with index failFrom on
// (a short write stores half of what it was given), or whose flush fails.
class FailingFile : public CFile {
 public:
  uint32_t Write(const void* buffer, uint32_t count, uint64_t position = kCurrentPosition) override;
  bool Flush() override;

  int failFrom = -1;
  bool failFlush = false;
  int writes = 0;
};

}  // namespace test
