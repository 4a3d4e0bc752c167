// The conversion of one file: open the input, create a temporary file in the
// output folder, convert the input block by block into it, then publish it
// under the first free output name. The window's worker and the command-line
// tool both go through here.
#pragma once

#include <cstdint>

#include "base/file.h"
#include "base/file_name.h"
#include "base/str.h"
#include "convert/conversion_monitor.h"

// The input is read in blocks of this size, so that a file of any size
// converts in bounded memory.
inline constexpr uint32_t kReadBlockSize = 1u << 20;

// Output names are tried as <stem>.<ext>, then <stem>(1).<ext> up to this,
// at publish time; only "the name is taken" moves on to the next number.
inline constexpr int32_t kLastOutputAttempt = 9998;

// Limits of the texts, in bytes; longer texts are cut.
inline constexpr int32_t kMaxValueFormatBytes = 31;
inline constexpr int32_t kMaxTemplateBytes = 255;
inline constexpr int32_t kMaxArrayNameBytes = 127;

// What the window reads from its controls and its file list for one row.
// Texts are 8-bit text in the ANSI code page; null reads as empty.
struct FileConversionRequest {
  int32_t direction = 0;  // ConvertDirection
  int32_t unitSize = 1;
  int32_t byteOrder = 0;     // ByteOrder
  int32_t numberSyntax = 0;  // NumberSyntax of text -> binary: 0 plain, 1 C
  const char* valueFormat = nullptr;
  const char* arrayTemplate = nullptr;
  const char* arrayName = nullptr;
  const char* outputFolder = nullptr;  // empty: the current directory
  const char* outputStem = nullptr;
  const char* outputExtension = nullptr;  // empty: no dot is added
  const char* inputPath = nullptr;
  // Where an input of unknown size is copied when the template needs its
  // size: beside the output. Null: the output folder.
  const char* spoolFolder = nullptr;
};

enum class FileConversionStatus {
  Converted,         // the whole input is in the output
  Cancelled,         // stopped by the user; no output was left
  InputNotOpened,    // no output was created
  OutputNotCreated,  // no file could be made in the folder, an output name
                     // was refused, or every numbered name is taken
  ReadFailed,        // a read failed
  InputShort,        // the input ended before its size at open
  WriteFailed,       // a write to the output fell short
  OutOfMemory,       // a buffer could not be allocated
  NoOutputName,      // a list row without an output name, which numbers
                     // alone ("(1)", "(2)") would stand for: nothing is made
};
// ConvertFile publishes an output only when Converted; with any other status
// no file is left. A cancelled text ends well-formed and would pass for the
// whole array, so it is not published either.

// A short English description of a status, for messages to the user.
const char* DescribeFileConversionStatus(FileConversionStatus status);

struct FileConversionResult {
  FileConversionStatus status = FileConversionStatus::InputNotOpened;
  CString outputPath;      // the output file made; empty when none
  uint64_t inputSize = 0;  // as the input was opened; 0 when not known
  uint64_t bytesRead = 0;
  // Why InputNotOpened, OutputNotCreated or ReadFailed: the system's error
  // code (0 when every numbered name was taken) and the path it is about.
  int32_t systemError = 0;
  CString failedPath;

  // Back to no output, nothing read and no cause; status is left for the
  // conversion to set.
  void Clear() {
    outputPath.Clear();
    inputSize = 0;
    bytesRead = 0;
    systemError = 0;
    failedPath.Clear();
  }
};

// The size handed to the converters for an input whose size is not known
// (a pipe): the progress then stays at 0 until the end.
inline constexpr uint64_t kUnknownInputSize = ~uint64_t{0};

// Makes the output path for one attempt: the folder and a separator (none
// when the folder is empty), the stem, "(attempt)" when attempt > 0, then
// "." and the extension when there is one. False, and path empty, when
// memory runs out.
bool ComposeOutputPath(const char* folder, const char* stem, const char* extension, int32_t attempt,
                       CString* path);

// Creates the output file for one attempt without replacing anything, and
// writes the debug line "output file = %s (%d)\n". Returns kOk when created,
// kFileUnusable (-1) when output is already open or the path is empty,
// kFileRefused (-2) when refused (the name is taken, or the folder cannot be
// written).
int CreateOutputFile(const char* folder, const char* stem, const char* extension, CFile& output,
                     int32_t attempt, CString* path);

// Gives the finished, closed temporary file the first free name of
// ComposeOutputPath, never replacing a file, and writes the debug line
// "output file = %s (%d)\n" for each name tried (0 taken by this file, -2
// taken by another, -3 refused). On success the temporary name is gone and
// *path holds the name; otherwise the temporary file is deleted, *path holds
// the last name tried and *error the system's code (0: all names taken;
// kSystemErrorNoMemory: a name could not be made, and *path is empty).
bool PublishOutputFile(const CString& temporaryPath, const char* folder, const char* stem,
                       const char* extension, CString* path, int32_t* error);

// Sets the output stem and extension of request from a bare output name as
// the file list shows it. A name whose only dot is its first (".txt", from an
// input such as ".profile") is all extension, so that numbering goes before
// it. The request points into name, which must outlive it.
void SetRequestOutputName(FileConversionRequest& request, const CFileName& name);

// The whole conversion of one row. result may be null.
FileConversionStatus ConvertFile(const FileConversionRequest& request, ConversionMonitor& monitor,
                                 FileConversionResult* result);

// ConvertFile with the input opened by the caller (standard input, or a file
// the caller watches); the input stays open.
FileConversionStatus ConvertInputFile(const FileConversionRequest& request, CFile& input,
                                      ConversionMonitor& monitor, FileConversionResult* result);

// The part after the files are open: reads input from its current position
// in blocks and converts it into output, which the caller closes. Used where
// the output is no named file (standard output). An input whose size is not
// known is read to its end.
FileConversionStatus ConvertOpenFile(const FileConversionRequest& request, CFile& input,
                                     CFile& output, ConversionMonitor& monitor,
                                     FileConversionResult* result);
