#include "ui/list/progress_text.h"

#include <cmath>

namespace {

// Appends to a terminated text of units units, cutting what does not fit.
class Appender {
 public:
  Appender(WideChar* text, int32_t units) : text_(text), units_(units) {
    if (units_ > 0) text_[0] = 0;
  }

  Appender& operator<<(const WideChar* part) {
    for (; part != nullptr && *part != 0 && used_ + 1 < units_; ++part)
      text_[used_++] = *part;
    if (units_ > 0) text_[used_] = 0;
    return *this;
  }

  Appender& operator<<(uint64_t number) {
    WideChar digits[24] = {};
    int at = 22;
    do {
      digits[at--] = static_cast<WideChar>(WSTR('0') + number % 10);
      number /= 10;
    } while (number != 0);
    return *this << &digits[at + 1];
  }

 private:
  WideChar* text_;
  int32_t units_;
  int32_t used_ = 0;
};

struct Texts {
  const WideChar* file;     // before the file number
  const WideChar* of;       // between the file number and the count
  const WideChar* bytesOf;  // between the bytes done and all
  const WideChar* bytes;    // the unit below a kilobyte
  const WideChar* before;   // before the time left
  const WideChar* seconds;
  const WideChar* minutes;
  const WideChar* hours;
  const WideChar* after;  // after the time left
};

constexpr Texts kEnglish = {WSTR("File "),  WSTR(" of "),   WSTR(" of "),
                            WSTR(" bytes"), WSTR("about "), WSTR(" s"),
                            WSTR(" min"),   WSTR(" h"),     WSTR(" left")};
constexpr Texts kJapanese = {WSTR("ファイル "), WSTR(" / "),     WSTR(" / "),
                             WSTR(" バイト"),   WSTR("残り約 "), WSTR(" 秒"),
                             WSTR(" 分"),       WSTR(" 時間"),   WSTR("")};

const Texts& TextsOf(int language) {
  return language == 1 ? kJapanese : kEnglish;
}

constexpr const WideChar* kDash = WSTR(" \u2014 ");

}  // namespace

void FormatByteSize(uint64_t bytes, int language, WideChar* text, int32_t units) {
  Appender out(text, units);
  static constexpr const WideChar* kUnits[] = {WSTR(" KB"), WSTR(" MB"), WSTR(" GB"),
                                               WSTR(" TB"), WSTR(" PB"), WSTR(" EB")};
  if (bytes < 1024) {
    out << bytes << TextsOf(language).bytes;
    return;
  }
  double value = static_cast<double>(bytes) / 1024;
  int unit = 0;
  while (value >= 1024 && unit < 5) {
    value /= 1024;
    ++unit;
  }
  // One decimal below 10, where it says something; whole numbers above.
  if (value < 10) {
    const auto tenths = static_cast<uint64_t>(std::llround(value * 10));
    out << tenths / 10 << WSTR(".") << tenths % 10;
  } else {
    out << static_cast<uint64_t>(std::llround(value));
  }
  out << kUnits[unit];
}

void FormatRunProgress(const RunProgress& progress, int language, WideChar* text, int32_t units) {
  const Texts& texts = TextsOf(language);
  Appender out(text, units);
  out << texts.file << static_cast<uint64_t>(progress.fileNumber) << texts.of
      << static_cast<uint64_t>(progress.fileCount) << WSTR(": ") << progress.fileName;
  WideChar done[32];
  WideChar total[32];
  FormatByteSize(progress.bytesDone, language, done, 32);
  FormatByteSize(progress.bytesTotal, language, total, 32);
  out << kDash << done << texts.bytesOf << total;
  // Nothing is left to wait for once every byte is done.
  if (progress.secondsLeft < 0 || progress.bytesDone >= progress.bytesTotal) return;
  const auto seconds = static_cast<uint64_t>(progress.secondsLeft);
  out << kDash << texts.before;
  if (seconds < 60) {
    out << seconds << texts.seconds;
  } else if (seconds < 3600) {
    out << (seconds + 59) / 60 << texts.minutes;
  } else {
    const uint64_t minutes = (seconds + 59) / 60;
    out << minutes / 60 << texts.hours;
    if (minutes % 60 != 0) out << WSTR(" ") << minutes % 60 << texts.minutes;
  }
  out << texts.after;
}

int64_t EstimateSecondsLeft(uint64_t done, uint64_t total, uint64_t elapsedMs) {
  if (done == 0 || elapsedMs < 1000 || done >= total) return done >= total && done > 0 ? 0 : -1;
  const double left = static_cast<double>(total - done) * static_cast<double>(elapsedMs) /
                      static_cast<double>(done) / 1000;
  return static_cast<int64_t>(left) + (left > static_cast<double>(static_cast<int64_t>(left)));
}

const WideChar* FileNamePart(const WideChar* path) {
  const WideChar* name = path;
  for (const WideChar* at = path; at != nullptr && *at != 0; ++at) {
    if (*at == WSTR('\\') || *at == WSTR('/')) name = at + 1;
  }
  return name;
}
