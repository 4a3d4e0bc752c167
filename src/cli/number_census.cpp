#include "cli/number_census.h"

#include "convert/convert_types.h"

namespace {

bool IsHexDigit(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

}  // namespace

NumberCensus::NumberCensus(int32_t unitSize, NumberSyntax syntax)
    : syntax_(syntax), unitDigits_(2 * EffectiveUnitSize(unitSize)) {}

void NumberCensus::Note(Finding& finding) const {
  if (finding.count++ == 0) finding.firstLine = numberLine_;
}

void NumberCensus::Keep() {
  ++kept;
  if (state_ == State::Prefixed || pendingBare_) Note(bare);
  if (significant_ > unitDigits_) Note(wide);
  if (minus_) Note(negated);
}

void NumberCensus::Feed(const char* text, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (pendingDrop_) {
      pendingDrop_ = false;
      Note(dropped);
    }
    pendingBare_ = false;
    switch (state_) {
      case State::Zero:
      case State::Ampersand:
        if (IsNumberPrefix(state_ == State::Zero ? '0' : '&', c, syntax_)) {
          state_ = State::Prefixed;
          minus_ = candidateMinus_;
          significant_ = 0;
          break;
        }
        // Not a prefix: this byte may begin one.
        state_ = c == '0' ? State::Zero : c == '&' ? State::Ampersand : State::Between;
        if (state_ != State::Between) {
          numberLine_ = line_;
          candidateMinus_ = previous_ == '-';
        }
        break;
      case State::Prefixed:
      case State::Digits:
        if (IsHexDigit(c)) {
          if (significant_ > 0 || c != '0') ++significant_;
          state_ = State::Digits;
        } else {
          if (IsNumberSeparator(c, syntax_)) {
            Keep();
          } else if (state_ == State::Digits) {
            pendingDrop_ = true;
          } else {
            pendingBare_ = true;
          }
          // The byte that ended the number is consumed.
          state_ = State::Between;
        }
        break;
      case State::Between:
        if (c == '0' || c == '&') {
          state_ = c == '0' ? State::Zero : State::Ampersand;
          numberLine_ = line_;
          candidateMinus_ = previous_ == '-';
        }
        break;
    }
    if (c == '\n') ++line_;
    previous_ = c;
  }
}

void NumberCensus::End() {
  if (pendingDrop_ || pendingBare_ || state_ == State::Digits) Keep();
  pendingDrop_ = false;
  pendingBare_ = false;
  state_ = State::Between;
}
