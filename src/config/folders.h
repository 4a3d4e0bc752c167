// The platform calls of the settings store: where the program and the process
// are, the per-user data root, and the few folder and file operations it
// needs. Paths are narrow text in the ANSI code page, as CString keeps them.
#pragma once

#include "base/str.h"

// The separator the platform's paths use between folders.
extern const char kPathSeparator[];

// Each Query* fills path and returns true, or returns false and leaves it.
// The full path of the running program file.
bool QueryProgramFile(CString& path);
// The process's current directory.
bool QueryCurrentFolder(CString& path);
// The per-user folder for application data: the local application-data
// folder on Windows, $XDG_DATA_HOME (or ~/.local/share) elsewhere.
bool QueryUserDataFolder(CString& path);

// True when a file or folder of that name exists.
bool PathExists(const CString& path);
// True when a new file can be made in folder. Tried for real with a probe
// file that is removed at once: permission bits and access lists alone do
// not tell (read-only media, a folder shared read-only, a root-owned folder).
bool FolderIsWritable(const CString& folder);
// Creates one folder level; false when it cannot be created.
bool MakeFolder(const CString& path);
