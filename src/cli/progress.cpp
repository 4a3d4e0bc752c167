#include "cli/progress.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int kBarWidth = 30;
constexpr int kLabelWidth = 36;
constexpr int kLineWidth = kLabelWidth + kBarWidth + 8;

}  // namespace

void ProgressBar::SetFileProgress(int32_t percent) {
  if (!enabled_ || percent == shown_) return;
  if (percent < 0) percent = 0;
  if (percent > 100) percent = 100;
  shown_ = percent;
  char bar[kBarWidth + 1];
  const int filled = percent * kBarWidth / 100;
  std::memset(bar, '#', static_cast<size_t>(filled));
  std::memset(bar + filled, '.', static_cast<size_t>(kBarWidth - filled));
  bar[kBarWidth] = 0;
  // Long names keep their end, which tells files apart best.
  const size_t length = std::strlen(label_);
  const char* label = length > kLabelWidth ? label_ + length - kLabelWidth : label_;
  std::fprintf(stderr, "\r%-*s [%s] %3d%%", kLabelWidth, label, bar, static_cast<int>(percent));
  std::fflush(stderr);
  drawn_ = true;
}

void ProgressBar::Clear() {
  if (!drawn_) return;
  std::fprintf(stderr, "\r%*s\r", kLineWidth, "");
  std::fflush(stderr);
  drawn_ = false;
}
