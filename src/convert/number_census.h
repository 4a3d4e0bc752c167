// NumberCensus: counts the prefixed numbers of a text as the text -> binary
// scan takes them, for the warnings of the window's run and the command
// line. A number that a byte other than a separator ends is dropped by the
// scan, unless that byte is the text's last; such a drop is easy to miss
// ("0x1FU," gives nothing). Numbers the scan keeps but that may not mean
// what they say are counted too.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/file.h"
#include "convert/text_scan.h"

class NumberCensus {
 public:
  NumberCensus() = default;
  NumberCensus(int32_t unitSize, NumberSyntax syntax);

  // Takes the next count bytes of the text.
  void Feed(const char* text, size_t count);
  // Ends the text: a number still open, or ended by the text's last byte, is
  // kept.
  void End();

  // How many numbers had one trait, and the 1-based line of the first one's
  // prefix.
  struct Finding {
    uint64_t count = 0;
    uint64_t firstLine = 0;
  };

  uint64_t kept = 0;
  Finding dropped;  // ended by a byte that is no separator
  Finding wide;     // more digits than the unit holds: cut to its low ones
  Finding negated;  // a minus sign right before the prefix: the sign is lost
  Finding bare;     // a prefix without digits: written as 0

 private:
  void Keep(bool bare);
  void Note(Finding& finding) const;

  NumberSyntax syntax_ = NumberSyntax::Plain;
  int32_t unitDigits_ = 2;  // hex digits a unit holds
  uint8_t state_ = 0;
  uint8_t previous_ = 0;  // the byte before the current one
  uint64_t line_ = 1;
  uint64_t numberLine_ = 0;
  // Of the number being read: a '-' before its prefix, and its digits after
  // leading zeros.
  bool minus_ = false;
  bool candidateMinus_ = false;  // a '-' before a byte that may begin a prefix
  int32_t significant_ = 0;
};

// An input that counts the prefixed numbers of what is read through it, when
// census is set.
class CensusInput : public CFile {
 public:
  NumberCensus* census = nullptr;
  uint32_t Read(void* buffer, uint32_t count, uint64_t position = kCurrentPosition) override;
};
