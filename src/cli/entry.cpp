// The process entry: the only place that knows how the system hands over the
// arguments. Windows gives UTF-16 (wmain, linked with -municode), which is
// taken into the ANSI code page as the program keeps all its text; POSIX
// gives the bytes as they are.
#include <cstdio>

#include "cli/cli.h"

#if defined(_WIN32)
#include <cwchar>
#include <vector>

#include "base/codepage.h"
#include "base/holder.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<CBuffer<char>> owned(static_cast<size_t>(argc));
  std::vector<char*> args(static_cast<size_t>(argc) + 1, nullptr);
  int status = kExitOk;
  for (int i = 0; i < argc && status == kExitOk; ++i) {
    const auto at = static_cast<size_t>(i);
    owned[at].Reset(WideToMultiByte(argv[i], -1, kCodePageAnsi));
    args[at] = owned[at].Get();
    CBuffer<WideChar> back(args[at] != nullptr ? MultiByteToWide(args[at], -1, kCodePageAnsi)
                                               : nullptr);
    if (!back) {
      std::fprintf(stderr, "brelvix-cli: out of memory\n");
      status = kExitFailed;
    } else if (std::wcscmp(back.Get(), argv[i]) != 0) {
      // A path with such characters could not be opened or created anyway.
      std::fprintf(stderr,
                   "brelvix-cli: argument %d has characters the ANSI code page cannot "
                   "hold\n",
                   i);
      status = kExitUsage;
    }
  }
  if (status == kExitOk) status = RunCli(argc, args.data());
  return status;
}

#else

int main(int argc, char** argv) {
  return RunCli(argc, argv);
}

#endif
