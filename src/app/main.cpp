// The program's entry point: the whole start-up and shutdown order is
// RunApplication's, with the main window's application class.
#include <windows.h>

#include "app/startup.h"
#include "ui/app_main.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previousInstance, LPWSTR commandLine,
                    int showCommand) {
  return RunApplication<CAppMain>(instance, previousInstance, commandLine, showCommand);
}
