#include "app/startup.h"

#include <new>

#include "base/debug_print.h"
#include "base/holder.h"
#include "convert/app_parameter.h"

namespace {

HMODULE g_debugLibrary = nullptr;

}  // namespace

void StartDebugOutput() {
  g_debugLibrary = LoadLibraryW(L"velprint64.dll");
  DebugPrintFunction target = nullptr;
  if (g_debugLibrary != nullptr) {
    target = reinterpret_cast<DebugPrintFunction>(
        reinterpret_cast<void*>(GetProcAddress(g_debugLibrary, "velwprintf")));
  }
  // Null keeps the built-in discard.
  SetDebugPrintTarget(target);
}

void StopDebugOutput() {
  // The target goes back before the library that holds it is unloaded.
  ResetDebugPrintTarget();
  if (g_debugLibrary != nullptr) {
    FreeLibrary(g_debugLibrary);
    g_debugLibrary = nullptr;
  }
}

HMODULE DebugLibraryHandle() {
  return g_debugLibrary;
}

int StartAppParameter() {
  if (theAppParameter == nullptr) {
    theAppParameter = new (std::nothrow) CAppParameter();
    if (theAppParameter == nullptr) return 0;
  }
  theAppParameter->Initialize();
  return 1;
}

void StopAppParameter() {
  if (theAppParameter == nullptr) return;
  theAppParameter->Shutdown();
  // Deleted as the holder goes, once nothing can reach it any more.
  const CHolder<CAppParameter> owned(theAppParameter);
  theAppParameter = nullptr;
}
