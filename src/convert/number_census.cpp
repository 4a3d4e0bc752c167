#include "convert/number_census.h"

#include "convert/convert_types.h"

namespace {

// The scan's states. The two ends are Between after a number that a foreign
// byte ended: with digits it is dropped once another byte follows, without
// them it is nothing then; either is kept when that byte is the text's last.
enum State : uint8_t { kBetween, kZero, kAmpersand, kPrefixed, kDigits, kForeignEnd, kBareEnd };

// A table entry: the next state in the low bits, then what the byte does.
constexpr uint16_t kStateMask = 7;
constexpr uint16_t kKeeps = 8;    // a number ends at a separator
constexpr uint16_t kStarts = 16;  // a byte that may begin a prefix
constexpr uint16_t kDrops = 32;   // the number a foreign byte ended is dropped
constexpr uint16_t kPrefix = 64;  // a prefix is complete
constexpr uint16_t kDigit = 128;  // a digit of the number
constexpr uint16_t kBare = 256;   // the number kept has no digits
constexpr uint16_t kEvents = kKeeps | kStarts | kDrops | kPrefix;

// What byte c, of the class kind (NumberBytes), does in a state other than
// the two ends.
constexpr uint16_t Step(unsigned state, unsigned c, uint8_t kind, NumberSyntax syntax) {
  const uint16_t start = c == '0' ? kZero : c == '&' ? kAmpersand : kBetween;
  const uint16_t starting =
      start != kBetween ? static_cast<uint16_t>(start | kStarts) : uint16_t{kBetween};
  switch (state) {
    case kZero:
    case kAmpersand:
      if (IsNumberPrefix(BytePair(state == kZero ? '0' : '&', static_cast<uint8_t>(c)), syntax)) {
        return uint16_t{kPrefixed} | kPrefix;
      }
      return starting;  // not a prefix: this byte may begin one
    case kPrefixed:
    case kDigits:
      if (kind < 16) return uint16_t{kDigits} | kDigit;
      if (kind == kSeparatorByte) {
        return state == kDigits ? kKeeps : kKeeps | kBare;
      }
      return state == kDigits ? uint16_t{kForeignEnd} : uint16_t{kBareEnd};
    default:
      return starting;
  }
}

struct Table {
  uint16_t of[8][256];
  constexpr explicit Table(NumberSyntax syntax) : of() {
    const NumberBytes bytes(syntax);
    for (unsigned c = 0; c < 256; ++c) {
      const uint8_t kind = bytes.of[c];
      for (unsigned state = kBetween; state <= kDigits; ++state)
        of[state][c] = Step(state, c, kind, syntax);
      of[kForeignEnd][c] = static_cast<uint16_t>(Step(kBetween, c, kind, syntax) | kDrops);
      of[kBareEnd][c] = Step(kBetween, c, kind, syntax);
    }
  }
};

constexpr Table kPlainTable(NumberSyntax::Plain);
constexpr Table kCTable(NumberSyntax::C);

}  // namespace

NumberCensus::NumberCensus(int32_t unitSize, NumberSyntax syntax)
    : syntax_(syntax), unitDigits_(2 * EffectiveUnitSize(unitSize)) {}

void NumberCensus::Note(Finding& finding) const {
  if (finding.count++ == 0) finding.firstLine = numberLine_;
}

void NumberCensus::Keep(bool isBare) {
  ++kept;
  if (isBare) Note(bare);
  if (significant_ > unitDigits_) Note(wide);
  if (minus_) Note(negated);
}

void NumberCensus::Feed(const char* text, size_t count) {
  const Table& table = syntax_ == NumberSyntax::C ? kCTable : kPlainTable;
  unsigned state = state_;
  unsigned previous = previous_;
  uint64_t line = line_;
  int32_t significant = significant_;
  for (size_t i = 0; i < count; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const uint16_t entry = table.of[state][c];
    // Only prefixes and the ends of numbers leave the fast path.
    if ((entry & kEvents) != 0) {
      significant_ = significant;
      if ((entry & kDrops) != 0) Note(dropped);
      if ((entry & kKeeps) != 0) Keep((entry & kBare) != 0);
      if ((entry & kStarts) != 0) {
        numberLine_ = line;
        candidateMinus_ = previous == '-';
      }
      if ((entry & kPrefix) != 0) {
        minus_ = candidateMinus_;
        significant = 0;
      }
    }
    // Digits after the leading zeros.
    significant += (entry & kDigit) != 0 && (significant > 0 || c != '0');
    line += c == '\n';
    previous = c;
    state = entry & kStateMask;
  }
  state_ = static_cast<uint8_t>(state);
  previous_ = static_cast<uint8_t>(previous);
  line_ = line;
  significant_ = significant;
}

void NumberCensus::End() {
  if (state_ == kForeignEnd || state_ == kDigits || state_ == kBareEnd) Keep(state_ == kBareEnd);
  state_ = kBetween;
}

uint32_t CensusInput::Read(void* buffer, uint32_t count, uint64_t position) {
  const uint32_t got = CFile::Read(buffer, count, position);
  if (census != nullptr) census->Feed(static_cast<const char*>(buffer), got);
  return got;
}
