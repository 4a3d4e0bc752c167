// ConversionMonitor: what a converter sees of the running conversion.
#pragma once

#include <atomic>
#include <cstdint>

class ConversionMonitor {
 public:
  ConversionMonitor() = default;
  ConversionMonitor(const ConversionMonitor&) = delete;
  ConversionMonitor& operator=(const ConversionMonitor&) = delete;
  virtual ~ConversionMonitor() = default;

  // Has the user asked to stop? The converters ask before every row of
  // values and every number or byte they scan, so this is a plain read of
  // the flag and not a virtual call.
  bool IsCancelled() const { return cancelRequested.load(std::memory_order_relaxed) != 0; }

  // Sets the current file's progress, 0 to 100. Called only when a converter
  // writes out its buffer and once at the end of a file.
  virtual void SetFileProgress(int32_t percent) = 0;

  // 1 when the user asked to stop: set from the user-interface thread,
  // cleared by the worker when a run starts, read by the converters.
  std::atomic<int32_t> cancelRequested{0};
};

// A monitor for callers that neither show progress nor cancel.
class SilentMonitor : public ConversionMonitor {
 public:
  void SetFileProgress(int32_t /*percent*/) override {}
};
