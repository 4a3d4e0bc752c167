// The few things the tool needs of the console and the file system, per
// platform.
#pragma once

// True when standard error is a terminal (the progress bar is drawn only there).
bool StandardErrorIsTerminal();

// Makes standard output carry bytes unchanged (no LF to CR LF translation).
void SetStandardOutputBinary();

// Puts the file at from in the place of the file at to in one step, so that
// a reader sees the old file or the new one, never a part. False when the
// system refuses; from is then left as it was.
bool MoveFileOver(const char* from, const char* to);

// Removes a file; false when the system refuses.
bool RemoveFile(const char* path);
