// NumberCensus: counts the prefixed numbers of a text as the text -> binary
// scan takes them, for the warnings of the window's run and the command
// line. A number that a byte other than a separator ends is dropped by the
// scan, unless that byte is the text's last; such a drop is easy to miss
// ("0x1FU," gives nothing).
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/file.h"

class NumberCensus {
 public:
  // Takes the next count bytes of the text.
  void Feed(const char* text, size_t count);
  // Ends the text: a number still open, or dropped by its last byte, is kept.
  void End();

  uint64_t kept = 0;
  uint64_t dropped = 0;
  uint64_t firstDroppedLine = 0;  // 1-based line of the first dropped number's prefix

 private:
  // The scan's states, and Between with a number ended by a foreign byte
  // (dropped once another byte follows). A table of them keeps the count
  // from slowing the conversion down much.
  enum State : uint8_t { kBetween, kZero, kAmpersand, kPrefixed, kDigits, kForeignEnd, kStates };

  uint8_t state_ = kBetween;
  uint64_t line_ = 1;
  uint64_t numberLine_ = 0;
};

// An input that counts the prefixed numbers of what is read through it, when
// census is set.
class CensusInput : public CFile {
 public:
  NumberCensus* census = nullptr;
  uint32_t Read(void* buffer, uint32_t count, uint64_t position = kCurrentPosition) override;
};
