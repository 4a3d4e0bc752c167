// Array names: the name a file gives its array when nobody names it, made
// so that the output compiles, and the test the front ends warn with when a
// name given by hand would not.
#pragma once

#include "base/str.h"

// True when name is a C identifier as the compilers take it: not empty, not
// starting with a digit, ASCII only letters, digits and '_'. Bytes above 127
// count as letters (identifiers in the user's own language). Keywords are
// not looked at.
bool IsArrayIdentifier(const char* name);

// The array name for a file's stem: every other ASCII byte becomes '_', a
// leading digit gets a '_' before it, and an empty result becomes "data".
// Bytes above 127 are kept, with the byte after a lead byte of the ANSI code
// page; a character the code page lacks (a foreign unit) becomes one '_'. False, name empty, when
// memory runs out.
bool MakeArrayName(const char* stem, CString* name);
