// Test doubles and reference models for the converter tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/file.h"
#include "convert/conversion_monitor.h"

namespace convert_test {

// An output file in memory. Writes can be made to fall short: from the
// write with index failFrom on (every later one too), or only the write
// with index failOnce. A short write stores half of what it was given.
class MemoryFile : public CFile {
 public:
  uint32_t Write(const void* buffer, uint32_t count, uint64_t position = kCurrentPosition) override;

  std::string data;
  std::vector<uint32_t> writeSizes;  // the count of every Write call
  int failFrom = -1;
  int failOnce = -1;
};

// An input file in memory: size says what it claims at open, content what a
// Read really gives (less than size models a file that shrank).
class MemoryInput : public CFile {
 public:
  MemoryInput(std::string content, uint64_t claimedSize);
  uint32_t Read(void* buffer, uint32_t count, uint64_t position = kCurrentPosition) override;

  std::string content;
  size_t at = 0;
  std::vector<uint32_t> readSizes;
};

// Records every progress report; can cancel at the n-th report (1-based).
class RecordingMonitor : public ConversionMonitor {
 public:
  void SetFileProgress(int32_t percent) override;

  std::vector<int32_t> progress;
  int cancelAtReport = 0;
};

// Records the debug lines while it lives, as narrow text (the lines the
// converters write hold ASCII paths in these tests).
class DebugLines {
 public:
  DebugLines();
  ~DebugLines();
  DebugLines(const DebugLines&) = delete;
  DebugLines& operator=(const DebugLines&) = delete;

  std::vector<std::string> lines;
};

// snprintf of one value as the converter hands it over: a 64-bit value of
// which the conversion reads what its length modifier names.
std::string Snprintf(const char* format, uint64_t value);

// What the plain algorithms below predict besides the output: the progress
// reports and the sizes of the buffer writes of the value rows or units.
struct Trace {
  std::vector<int32_t> progress;
  std::vector<uint32_t> flushes;
};

// The binary-to-text algorithm written out plainly, one value at a time
// through snprintf. format must be valid (or empty for the default).
std::string ReferenceBinaryToText(const std::vector<uint8_t>& data, int byteOrder, int unitSize,
                                  const std::string& format, const std::string& arrayTemplate,
                                  const std::string& arrayName, Trace* trace = nullptr);

// The text-to-binary scan written out plainly, one byte at a time; cSyntax
// reads a C source as a compiler does.
std::string ReferenceTextToBinary(const std::string& text, int byteOrder, int unitSize,
                                  Trace* trace = nullptr, bool cSyntax = false);

// Deterministic pseudo-random bytes.
std::vector<uint8_t> RandomBytes(size_t count, uint32_t seed);

std::string AsString(const std::vector<uint8_t>& bytes);

}  // namespace convert_test
