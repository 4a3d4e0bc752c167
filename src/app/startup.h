// The program's start-up and shutdown: the order in which the debug output,
// the settings object and the application object come and go.
#pragma once

#include <windows.h>

#include "app/app_base.h"

// Loads "velprint64.dll" and, when it offers "velwprintf", sends DebugPrint
// there; otherwise the built-in discard stays. The library stays loaded even
// without the export.
void StartDebugOutput();
// DebugPrint back to the discard, then the library unloaded.
void StopDebugOutput();
// The loaded debug library, or null.
HMODULE DebugLibraryHandle();

// Creates theAppParameter with its defaults when it does not exist yet and
// initialises it (identity, settings file location, data folder, Load).
// Returns 0 only when the object cannot be allocated.
int StartAppParameter();
// Shutdown of the settings object (it writes nothing), then its deletion.
void StopAppParameter();

// The whole life of the program with App as the application object, an
// automatic object that outlives the settings object and the debug library.
template <class App>
int RunApplication(HINSTANCE instance, HINSTANCE previousInstance, LPWSTR commandLine,
                   int showCommand) {
  StartDebugOutput();
  if (!StartAppParameter()) {
    StopDebugOutput();
    return 0;
  }
  int exitCode;
  {
    App app;
    theApp = &app;
    exitCode = app.Run(instance, previousInstance, commandLine, showCommand);
    StopAppParameter();
    StopDebugOutput();
  }
  return exitCode;
}
