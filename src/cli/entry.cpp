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

int wmain(int argc, wchar_t** argv) {
  std::vector<char*> args(static_cast<size_t>(argc) + 1, nullptr);
  int status = kExitOk;
  for (int i = 0; i < argc && status == kExitOk; ++i) {
    args[static_cast<size_t>(i)] = WideToMultiByte(argv[i], -1, kCodePageAnsi);
    WideChar* back = args[static_cast<size_t>(i)] != nullptr
                         ? MultiByteToWide(args[static_cast<size_t>(i)], -1, kCodePageAnsi)
                         : nullptr;
    if (back == nullptr) {
      std::fprintf(stderr, "brelvix-cli: out of memory\n");
      status = kExitFailed;
    } else if (std::wcscmp(back, argv[i]) != 0) {
      // A path with such characters could not be opened or created anyway.
      std::fprintf(stderr,
                   "brelvix-cli: argument %d has characters the ANSI code page cannot "
                   "hold\n",
                   i);
      status = kExitUsage;
    }
    delete[] back;
  }
  if (status == kExitOk) status = RunCli(argc, args.data());
  for (char* arg : args)
    delete[] arg;
  return status;
}

#else

int main(int argc, char** argv) {
  return RunCli(argc, argv);
}

#endif
