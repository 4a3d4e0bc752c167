// The one convention for results in this program.
//
// A function with more than one way to fail returns an int status: kOk (0)
// on success and a negative value of its own for each failure, named
// k<Area><Failure> (kCsvCannotOpen, kFileListNoMemory). A function whose
// success yields an index or a count returns that number (never negative)
// and the same negative failures beside it. So `status < 0` always means a
// failure, whatever the function.
//
// A function that can only succeed or fail returns a truth value: bool, or
// in the oldest interfaces (CString, CFileName, CCommConfig) an int that is 1
// for success and 0 for failure.
//
// Outcomes that describe more than success or failure, such as what became
// of one file in a conversion, are enum classes of their own
// (FileConversionStatus, ValueFormatStatus); the command line maps them to
// its exit statuses (kExitOk ...), which keep the numbers scripts rely on.
#pragma once

inline constexpr int kOk = 0;
