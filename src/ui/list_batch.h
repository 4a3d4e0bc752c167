// The batch layer that the window's Execute and brelvix-cli run share: a list
// file loaded into the settings record and the rows, and one row mapped with
// the settings and the output folder to a conversion request. Having one of
// each keeps the two front ends giving the same files for the same list.
#pragma once

#include <cstdint>

#include "base/str.h"
#include "base/wide.h"
#include "convert/convert_file.h"
#include "ui/csv_file_list.h"
#include "ui/file_list.h"

// A list file without any line: kept apart from the ReadCsvTable codes.
inline constexpr int kListFileEmpty = -10;

// Loads path: empties list, then on success (kCsvOk) list holds the file
// records and settings takes the settings record (see ApplySettingsRecord).
// Otherwise the result is kListFileEmpty or a ReadCsvTable code, settings
// stay as they were, and *quoteLine is set for kCsvUnterminatedQuote.
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
