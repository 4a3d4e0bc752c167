// The line under the run's bars: which file of how many, the bytes done of
// all, and the time left, in either language.
#pragma once

#include <cstdint>

#include "base/wide.h"

struct RunProgress {
  int32_t fileNumber = 0;              // 1 for the first row
  int32_t fileCount = 0;               // rows in the run
  const WideChar* fileName = nullptr;  // the input's name without its folder
  uint64_t bytesDone = 0;              // of every row, the current one's share included
  uint64_t bytesTotal = 0;
  int64_t secondsLeft = -1;  // -1: too early to tell
};

// Writes the line into text, which holds units units with the terminator;
// what does not fit is cut. language: 0 English, 1 Japanese.
void FormatRunProgress(const RunProgress& progress, int language, WideChar* text, int32_t units);

// A byte count as people read it: "512 bytes", "9.5 KB", "180 MB", "1.0 GB".
void FormatByteSize(uint64_t bytes, int language, WideChar* text, int32_t units);

// The seconds left when done of total bytes took elapsedMs, at the rate so
// far, rounded up; -1 before a second has passed or a byte is done.
int64_t EstimateSecondsLeft(uint64_t done, uint64_t total, uint64_t elapsedMs);

// The part of path after its last \ or /.
const WideChar* FileNamePart(const WideChar* path);
