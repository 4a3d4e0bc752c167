// The monitor of the command-line tool: an optional progress bar on
// standard error.
#pragma once

#include <cstdint>

#include "convert/conversion_monitor.h"

class ProgressBar : public ConversionMonitor {
 public:
  // label names the file; the bar is drawn only when enabled.
  ProgressBar(const char* label, bool enabled) : label_(label), enabled_(enabled) {}
  ~ProgressBar() override { Clear(); }

  void SetFileProgress(int32_t percent) override;
  // Removes the bar from the terminal line.
  void Clear();

 private:
  const char* label_;
  bool enabled_;
  bool drawn_ = false;
  int32_t shown_ = -1;
};
