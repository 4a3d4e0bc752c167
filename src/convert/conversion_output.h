// What both converter streams do with their output: write it to the file,
// remember a write that fell short, and tell the monitor how far they are.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/file.h"
#include "convert/conversion_monitor.h"

class ConversionOutput {
 public:
  ConversionOutput(ConversionMonitor& monitor, CFile& output)
      : monitor_(monitor), output_(output) {}
  ConversionOutput(const ConversionOutput&) = delete;
  ConversionOutput& operator=(const ConversionOutput&) = delete;

 protected:
  ~ConversionOutput() = default;

  // Writes count bytes; false, and writeShort_ set, when the write fell short.
  bool WriteOut(const void* data, size_t count) {
    if (output_.Write(data, static_cast<uint32_t>(count)) == count) return true;
    writeShort_ = true;
    return false;
  }

  // Reports done of totalSize_ as a percentage (at most 100; 100 for an
  // empty total).
  void ReportProgress(uint64_t done) {
    uint64_t percent = totalSize_ > 0 ? done * 100 / totalSize_ : 100;
    if (percent > 100) percent = 100;
    monitor_.SetFileProgress(static_cast<int32_t>(percent));
  }

  ConversionMonitor& monitor_;
  CFile& output_;
  uint64_t totalSize_ = 0;  // the base of the progress figures
  bool writeShort_ = false;
};
