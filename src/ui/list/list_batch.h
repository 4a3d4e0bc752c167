// The batch layer that the window's Execute and brelvix-cli run share: a list
// file loaded into the settings record and the rows, and one row mapped with
// the settings and the output folder to a conversion request. Having one of
// each keeps the two front ends giving the same files for the same list.
#pragma once

#include <cstdint>

#include "base/result.h"
#include "base/str.h"
#include "base/wide.h"
#include "convert/convert_file.h"
#include "convert/number_census.h"
#include "ui/list/csv_file_list.h"
#include "ui/list/file_list.h"

enum class ValueFormatStatus;

// Results of LoadListFile beside the ReadCsvTable codes it hands on (see
// base/result.h).
enum : int {
  kListFileEmpty = kListFileResults - 1,  // the file holds no line
};

// Loads path: empties list, then on success (kCsvOk) list holds the file
// records and settings takes the settings record (see ApplySettingsRecord).
// Otherwise the result is kListFileEmpty or a ReadCsvTable code, settings
// stay as they were (after kCsvNoMemory they may be partly set and are not to
// be used), and *quoteLine is set for kCsvUnterminatedQuote.
int LoadListFile(const WideChar* path, FileListSettings* settings, CFileList* list,
                 int32_t* quoteLine);

// The output folder a run writes into: the text without trailing separators
// (the conversion adds one; a lone separator stays, so the root stays the
// root). Empty stays empty. False when memory runs out.
bool TrimOutputFolder(const char* outputFolder, CString* folder);

// The request that converts row with settings into outputFolder. An empty
// outputFolder puts the output beside the row's input file. folder receives
// the folder used and must outlive the request, which points into it, into
// settings and into row. False when memory runs out: the request is then
// not to be used.
bool MapListRow(const FileListSettings& settings, const char* outputFolder,
                const FileListEntry& row, CString* folder, FileConversionRequest* request);

// Whether a run can take valueFormat: empty takes each unit's default;
// another is checked as each row takes it (8-bit, cut to its limit). Execute
// and run refuse an unusable one rather than convert with the default.
ValueFormatStatus CheckRunValueFormat(const char* valueFormat);

// What a row that converted leaves to say: its output may not be what the
// user meant.
enum class RowWarning {
  None,
  EmptyInput,      // the input holds no byte
  NoNumbers,       // a text without one prefixed number: the output is empty
  NumbersDropped,  // numbers the scan dropped (see NumberCensus)
  NameReplaced,    // ($FILE_NAME) wrote '?' for characters the code page lacks
};

// True when the request's template writes ($FILE_NAME) for an input whose
// name holds characters the ANSI code page lacks, each written as '?'.
bool FileNameLosesCharacters(const FileConversionRequest& request);

struct RowReport {
  RowWarning warning = RowWarning::None;
  bool counted = false;  // census holds the numbers of a text -> binary row
  NumberCensus census;
};

// Converts the row that request was mapped from (ConvertFile), and for a
// converted row tells in *report what its output may lack. A row without an
// output name fails with NoOutputName before its input is opened. result may
// be null.
FileConversionStatus ConvertListRow(const FileConversionRequest& request,
                                    ConversionMonitor& monitor, FileConversionResult* result,
                                    RowReport* report);

// True when a row whose input did not open was skipped (the file is missing
// or unreadable) rather than failed: the run goes on without it.
inline bool IsSkippedRow(FileConversionStatus status) {
  return status == FileConversionStatus::InputNotOpened;
}

// An output name that still carries the default extension of the other
// direction gets the one of direction (0 ".txt", otherwise ".bin"); the
// ".profile" rule of SetRequestOutputName applies. Other names, which the
// user chose, are kept. True when the name changed; false also when memory
// runs out (the name is then kept).
bool SwitchOutputExtension(CFileName* outputName, int32_t direction);