// A "velprint64.dll" that loads but offers no velwprintf: the program must
// keep its built-in discard and still unload the library at the end.
#include <windows.h>

extern "C" __declspec(dllexport) int velprint_version() {
  return 1;
}
