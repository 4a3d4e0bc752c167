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
//
// Each area numbers its failures in a block of its own, so that a code handed
// on through another area's function (LoadListFile passes the CSV reader's)
// still names one failure, and no two areas share a number. The file layer's
// codes keep -1 and -2, which the "output file" debug line prints.
#pragma once

inline constexpr int kOk = 0;

inline constexpr int kFileResults = 0;           // base/file.h
inline constexpr int kCsvReadResults = -100;     // ui/list/csv_table.h
inline constexpr int kCsvWriteResults = -200;    // ui/list/csv_file_list.h
inline constexpr int kListFileResults = -300;    // ui/list/list_batch.h
inline constexpr int kFileListResults = -400;    // ui/list/file_list.h
inline constexpr int kOutputNameResults = -500;  // ui/list/file_list.h
inline constexpr int kStringResults = -600;      // base/str.h
