// The few things the tool needs of the console, per platform.
#pragma once

// True when standard error is a terminal (the progress bar is drawn only there).
bool StandardErrorIsTerminal();

// Makes standard output carry bytes unchanged (no LF to CR LF translation).
void SetStandardOutputBinary();

// Makes an interrupt (SIGINT, SIGTERM, SIGHUP; Ctrl+C, Ctrl+Break and closing
// the console on Windows) remove every temporary file the run made before
// the process ends with 128 + the signal's number (130, 143, 129).
void RemoveTemporaryFilesOnInterrupt();
