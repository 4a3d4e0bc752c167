// The few things the tool needs of the console, per platform.
#pragma once

// True when standard error is a terminal (the progress bar is drawn only there).
bool StandardErrorIsTerminal();

// Makes standard output carry bytes unchanged (no LF to CR LF translation).
void SetStandardOutputBinary();
