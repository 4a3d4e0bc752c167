#include "base/debug_print.h"

#include <atomic>
#include <cinttypes>
#include <cstdio>

namespace {

// Written by the main thread before the window exists and after it is gone;
// read from any thread. Atomic so that those reads are well-defined.
std::atomic<DebugPrintFunction> g_target{&DebugPrintDiscard};

}  // namespace

int DebugPrintDiscard(const WideChar* /*format*/, ...) {
  return 0;
}

DebugPrintFunction SetDebugPrintTarget(DebugPrintFunction target) {
  return g_target.exchange(target != nullptr ? target : &DebugPrintDiscard);
}

void ResetDebugPrintTarget() {
  SetDebugPrintTarget(nullptr);
}

DebugPrintFunction GetDebugPrintTarget() {
  return g_target.load(std::memory_order_acquire);
}

WideString FormatDebugLine(const WideChar* format, va_list args) {
  WideString out;
  if (format == nullptr) return out;
  for (const WideChar* p = format; *p != 0; ++p) {
    if (*p != '%') {
      out.push_back(*p);
      continue;
    }
    const WideChar* start = p++;
    // Collect the conversion in narrow form and let snprintf do the numbers.
    std::string spec = "%";
    while (*p == '-' || *p == '0' || *p == '+' || *p == ' ' || *p == '#')
      spec.push_back(static_cast<char>(*p++));
    while (*p >= '0' && *p <= '9')
      spec.push_back(static_cast<char>(*p++));
    if (*p == '.') {
      spec.push_back(static_cast<char>(*p++));
      while (*p >= '0' && *p <= '9')
        spec.push_back(static_cast<char>(*p++));
    }
    int longs = 0;
    bool size = false;
    for (;;) {
      if (*p == 'l') {
        ++longs, ++p;
      } else if (*p == 'z') {
        size = true, ++p;
      } else if (p[0] == 'I' && p[1] == '6' && p[2] == '4') {
        longs = 2, p += 3;
      } else if (*p == 'h') {
        ++p;
      } else {
        break;
      }
    }
    const WideChar c = *p;
    char number[64];
    switch (c) {
      case '%':
        out.push_back('%');
        break;
      case 's': {
        const auto* text = va_arg(args, const WideChar*);
        if (text == nullptr) text = WSTR("(null)");
        out.append(text);
        break;
      }
      case 'c':
        out.push_back(static_cast<WideChar>(va_arg(args, int)));
        break;
      case 'd':
      case 'i':
      case 'u':
      case 'x':
      case 'X': {
        const bool isSigned = c == 'd' || c == 'i';
        spec += "j";
        spec.push_back(static_cast<char>(c));
        if (isSigned) {
          intmax_t v = longs >= 2 ? va_arg(args, long long)
                       : size     ? static_cast<intmax_t>(va_arg(args, ptrdiff_t))
                       : longs    ? va_arg(args, long)
                                  : va_arg(args, int);
          std::snprintf(number, sizeof number, spec.c_str(), v);
        } else {
          uintmax_t v = longs >= 2 ? va_arg(args, unsigned long long)
                        : size     ? va_arg(args, size_t)
                        : longs    ? va_arg(args, unsigned long)
                                   : va_arg(args, unsigned int);
          std::snprintf(number, sizeof number, spec.c_str(), v);
        }
        for (const char* q = number; *q != 0; ++q)
          out.push_back(static_cast<WideChar>(*q));
        break;
      }
      default:
        // Unknown conversion: copy it as it stands.
        out.append(start, p + (c != 0 ? 1 : 0));
        break;
    }
    if (c == 0) break;
  }
  return out;
}
