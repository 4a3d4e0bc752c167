#include "convert/convert_file.h"

#include <cstdio>
#include <cstring>

#include "base/debug_print.h"
#include "base/file_name.h"
#include "base/holder.h"
#include "convert/binary_to_text.h"
#include "convert/convert_types.h"
#include "convert/text_to_binary.h"

namespace {

const char* OrEmpty(const char* text) {
  return text != nullptr ? text : "";
}

// Copies at most limit bytes of text into out (limit + 1 bytes).
const char* Cut(const char* text, size_t limit, char* out) {
  const char* source = OrEmpty(text);
  size_t length = std::strlen(source);
  if (length > limit) length = limit;
  std::memcpy(out, source, length);
  out[length] = 0;
  return out;
}

FileConversionStatus Finish(FileConversionResult* result, FileConversionStatus status) {
  if (result != nullptr) result->status = status;
  return status;
}

}  // namespace

const char* DescribeFileConversionStatus(FileConversionStatus status) {
  switch (status) {
    case FileConversionStatus::Converted:
      return "converted";
    case FileConversionStatus::Cancelled:
      return "cancelled";
    case FileConversionStatus::InputNotOpened:
      return "cannot open the file for reading";
    case FileConversionStatus::OutputNotCreated:
      return "cannot create the output file";
    case FileConversionStatus::ReadFailed:
      return "cannot read the file";
    case FileConversionStatus::InputShort:
      return "the file became shorter while it was read";
    case FileConversionStatus::WriteFailed:
      return "writing the output fell short (disk full?)";
    case FileConversionStatus::OutOfMemory:
      return "out of memory";
    case FileConversionStatus::NoOutputName:
      return "the row has no output file name";
  }
  return "failed";
}

bool ComposeOutputPath(const char* folder, const char* stem, const char* extension, int32_t attempt,
                       CString* path) {
  path->Clear();
  const char* folderText = OrEmpty(folder);
  char number[16] = {};
  if (attempt > 0) std::snprintf(number, sizeof number, "(%d)", static_cast<int>(attempt));
  const char* extensionText = OrEmpty(extension);
  // An empty folder means the current directory, never the root. Windows
  // drops a trailing dot; leaving it out gives the same name here.
  const bool composed =
      path->AppendText(folderText) &&
      (folderText[0] == 0 || path->AppendBytes(&kFolderSeparator, 1)) &&
      path->AppendText(OrEmpty(stem)) && path->AppendText(number) &&
      (extensionText[0] == 0 || (path->AppendBytes(".", 1) && path->AppendText(extensionText)));
  // A name cut short would be another file's.
  if (!composed) path->Clear();
  return composed;
}

int CreateOutputFile(const char* folder, const char* stem, const char* extension, CFile& output,
                     int32_t attempt, CString* path) {
  ComposeOutputPath(folder, stem, extension, attempt, path);
  const int result = output.Create(*path, CreateRule::NewOnly);
  DebugPrint(WSTR("output file = %s (%d)\n"), path->GetWide(), result);
  return result;
}

namespace {

// Copies an input of unknown size whole into a temporary file in the output
// folder and converts from there, so that the size markers, written before
// the first value, hold the real size.
FileConversionStatus ConvertThroughSpool(const FileConversionRequest& request, CFile& input,
                                         CFile& output, ConversionMonitor& monitor,
                                         FileConversionResult* result) {
  CFile spool;
  CString path;
  const char* folder = request.spoolFolder != nullptr ? request.spoolFolder : request.outputFolder;
  if (CreateTemporaryFile(folder, spool, &path) != kOk) {
    if (result != nullptr) {
      // The name was never made: the message names the folder's pattern.
      result->systemError = spool.systemError;
      result->failedPath.AssignText(OrEmpty(folder)[0] != 0 ? folder : ".");
      result->failedPath.AppendBytes(&kFolderSeparator, 1);
      result->failedPath.AppendText(kTemporaryNamePrefix);
      result->failedPath.AppendText("*.tmp");
    }
    return Finish(result, FileConversionStatus::OutputNotCreated);
  }
  CBuffer<uint8_t> block;
  FileConversionStatus status = FileConversionStatus::Converted;
  if (!block.AllocateUninitialised(kReadBlockSize)) status = FileConversionStatus::OutOfMemory;
  input.systemError = 0;
  while (status == FileConversionStatus::Converted) {
    if (monitor.IsCancelled()) {
      status = FileConversionStatus::Cancelled;
      break;
    }
    const uint32_t got = input.Read(block.Get(), kReadBlockSize);
    if (got == 0) {
      if (input.systemError != 0) {
        if (result != nullptr) {
          result->systemError = input.systemError;
          result->failedPath.Assign(input.name);
        }
        status = FileConversionStatus::ReadFailed;
      }
      break;
    }
    if (spool.Write(block.Get(), got) != got) {
      if (result != nullptr) {
        result->systemError = spool.systemError;
        result->failedPath.Assign(path);
      }
      status = FileConversionStatus::WriteFailed;
    }
  }
  block.Reset();
  spool.Close();
  CFile copy;
  if (status == FileConversionStatus::Converted) {
    // The copy's size is the real one even when it is 0.
    const bool opened = copy.Open(path);
    copy.sizeKnown = true;
    status = opened ? ConvertOpenFile(request, copy, output, monitor, result)
                    : FileConversionStatus::ReadFailed;
  }
  copy.Close();
  RemoveTemporaryFile(path);
  return Finish(result, status);
}

}  // namespace

FileConversionStatus ConvertOpenFile(const FileConversionRequest& request, CFile& input,
                                     CFile& output, ConversionMonitor& monitor,
                                     FileConversionResult* result) {
  char cutTemplate[kMaxTemplateBytes + 1];
  if (!input.sizeKnown && request.direction == BinaryToText &&
      TemplateNeedsInputSize(Cut(request.arrayTemplate, kMaxTemplateBytes, cutTemplate))) {
    return ConvertThroughSpool(request, input, output, monitor, result);
  }
  // An input of unknown size (a pipe, a device, a /proc file) is read until
  // a read gives nothing.
  const bool known = input.sizeKnown;
  const uint64_t size = known ? input.size : kUnknownInputSize;
  if (result != nullptr) {
    result->inputSize = known ? size : 0;
    result->bytesRead = 0;
  }
  // An empty input gives an empty output.
  if (known && size == 0) return Finish(result, FileConversionStatus::Converted);

  const uint32_t blockSize = size < kReadBlockSize ? static_cast<uint32_t>(size) : kReadBlockSize;
  CBuffer<uint8_t> block;
  if (!block.AllocateUninitialised(blockSize)) {
    return Finish(result, FileConversionStatus::OutOfMemory);
  }
  input.systemError = 0;
  uint32_t got = input.Read(block.Get(), blockSize);
  if (got == 0) {
    if (!known && input.systemError == 0) return Finish(result, FileConversionStatus::Converted);
    if (result != nullptr) {
      result->systemError = input.systemError;
      result->failedPath.Assign(input.name);
    }
    return Finish(result, FileConversionStatus::ReadFailed);
  }
  char valueFormat[kMaxValueFormatBytes + 1];
  char arrayTemplate[kMaxTemplateBytes + 1];
  char arrayName[kMaxArrayNameBytes + 1];
  uint64_t read = 0;
  bool whole = false;
  bool cancelled = false;
  bool outOfMemory = false;
  bool written = true;

  // Reads and feeds until the size at open is reached, the input gives no
  // more, or the converter stops.
  auto pump = [&](auto& stream) {
    for (;;) {
      read += got;
      const bool more = stream.Feed(reinterpret_cast<const char*>(block.Get()), got) && read < size;
      if (!more) break;
      const uint64_t left = size - read;
      got = input.Read(block.Get(), left < blockSize ? static_cast<uint32_t>(left) : blockSize);
      if (got == 0) break;
    }
    whole = known ? read >= size : input.systemError == 0;
  };

  if (request.direction == BinaryToText) {
    struct Adapter {
      BinaryToTextStream& stream;
      bool Feed(const char* data, uint32_t count) {
        return stream.Feed(reinterpret_cast<const uint8_t*>(data), count);
      }
    };
    CFileName inputName;
    // ($FILE_NAME) is text of the output, in the code page: '?' for what it lacks.
    CString shownName;
    if (!inputName.SetPath(OrEmpty(request.inputPath)) ||
        ReplaceForeign(inputName.name.Text(), inputName.name.length, '?', &shownName) < 0) {
      return Finish(result, FileConversionStatus::OutOfMemory);
    }
    BinaryToTextStream stream(monitor, output);
    if (stream.Begin(request.byteOrder, request.unitSize,
                     Cut(request.valueFormat, kMaxValueFormatBytes, valueFormat),
                     Cut(request.arrayTemplate, kMaxTemplateBytes, arrayTemplate),
                     Cut(request.arrayName, kMaxArrayNameBytes, arrayName), size,
                     shownName.Text())) {
      Adapter adapter{stream};
      pump(adapter);
      written = stream.Finish();
    } else {
      written = false;
    }
    cancelled = stream.Cancelled();
    outOfMemory = stream.OutOfMemory();
  } else {
    struct Adapter {
      TextToBinaryStream& stream;
      bool Feed(const char* data, uint32_t count) { return stream.Feed(data, count); }
    };
    TextToBinaryStream stream(monitor, output);
    if (stream.Begin(request.byteOrder, request.unitSize, size,
                     NumberSyntaxOf(request.numberSyntax))) {
      Adapter adapter{stream};
      pump(adapter);
      written = stream.Finish();
    }
    cancelled = stream.Cancelled();
    outOfMemory = stream.OutOfMemory();
    if (outOfMemory) written = true;
  }
  block.Reset();

  if (result != nullptr) result->bytesRead = read;
  if (!written) return Finish(result, FileConversionStatus::WriteFailed);
  if (cancelled) return Finish(result, FileConversionStatus::Cancelled);
  if (outOfMemory) return Finish(result, FileConversionStatus::OutOfMemory);
  if (!whole && input.systemError != 0) {
    if (result != nullptr) {
      result->systemError = input.systemError;
      result->failedPath.Assign(input.name);
    }
    return Finish(result, FileConversionStatus::ReadFailed);
  }
  if (!whole) {
    DebugPrint(WSTR("input file short = %s\n"), input.name.GetWide());
    return Finish(result, FileConversionStatus::InputShort);
  }
  return Finish(result, FileConversionStatus::Converted);
}

bool PublishOutputFile(const CString& temporaryPath, const char* folder, const char* stem,
                       const char* extension, CString* path, int32_t* error) {
  *error = 0;
  for (int32_t attempt = 0; attempt <= kLastOutputAttempt; ++attempt) {
    if (!ComposeOutputPath(folder, stem, extension, attempt, path)) {
      *error = kSystemErrorNoMemory;
      break;
    }
    const PublishStatus status = PublishFile(temporaryPath, *path, error);
    DebugPrint(WSTR("output file = %s (%d)\n"), path->GetWide(),
               status == PublishStatus::Published ? 0
               : status == PublishStatus::Taken   ? -2
                                                  : -3);
    if (status == PublishStatus::Published) return true;
    // Too long, a missing folder, no permission: no other number fares better.
    if (status == PublishStatus::Failed) break;
  }
  RemoveTemporaryFile(temporaryPath);
  return false;
}

void SetRequestOutputName(FileConversionRequest& request, const CFileName& name) {
  request.outputStem = name.stem.Text();
  request.outputExtension = name.extension.Text();
  const char* bare = name.name.Text();
  if (name.stem.IsEmpty() && name.extension.IsEmpty() && bare[0] == '.' && bare[1] != 0) {
    request.outputExtension = bare + 1;
  }
}

FileConversionStatus ConvertFile(const FileConversionRequest& request, ConversionMonitor& monitor,
                                 FileConversionResult* result) {
  if (result != nullptr) result->Clear();
  CString inputPath;
  if (!inputPath.AssignText(OrEmpty(request.inputPath))) {
    return Finish(result, FileConversionStatus::OutOfMemory);
  }
  CFile input;
  if (!input.Open(inputPath)) {
    if (result != nullptr) {
      result->systemError = input.systemError;
      result->failedPath.Assign(inputPath);
    }
    return Finish(result, FileConversionStatus::InputNotOpened);
  }
  return ConvertInputFile(request, input, monitor, result);
}

FileConversionStatus ConvertInputFile(const FileConversionRequest& request, CFile& input,
                                      ConversionMonitor& monitor, FileConversionResult* result) {
  if (result != nullptr) {
    result->outputPath.Clear();
    result->systemError = 0;
    result->failedPath.Clear();
  }
  auto fail = [result](FileConversionStatus status, int32_t error, const CString& path) {
    if (result != nullptr) {
      result->systemError = error;
      result->failedPath.Assign(path);
    }
    return Finish(result, status);
  };
  // The output takes its name only when complete: a killed run or a failed
  // row leaves nothing under a name the user asked for.
  CFile output;
  CString temporaryPath;
  if (CreateTemporaryFile(request.outputFolder, output, &temporaryPath) != kOk) {
    // Converting into nothing would only spend time. The folder is what
    // failed; the message names the output that was to be made there.
    CString outputPath;
    ComposeOutputPath(request.outputFolder, request.outputStem, request.outputExtension, 0,
                      &outputPath);
    return fail(FileConversionStatus::OutputNotCreated, output.systemError, outputPath);
  }

  FileConversionStatus status = ConvertOpenFile(request, input, output, monitor, result);
  // Closed before the publish: Windows cannot rename a file open for writing.
  const int32_t writeError = output.systemError;
  output.Close();
  if (status != FileConversionStatus::Converted) {
    RemoveTemporaryFile(temporaryPath);
    // A spool that failed has named itself already.
    if (status == FileConversionStatus::WriteFailed && result != nullptr &&
        result->failedPath.IsEmpty()) {
      result->systemError = writeError;
      result->failedPath.Assign(temporaryPath);
    }
    return status;
  }
  CString outputPath;
  int32_t error = 0;
  if (!PublishOutputFile(temporaryPath, request.outputFolder, request.outputStem,
                         request.outputExtension, &outputPath, &error)) {
    // Not "every name taken": the name was never made.
    if (error == kSystemErrorNoMemory) return Finish(result, FileConversionStatus::OutOfMemory);
    return fail(FileConversionStatus::OutputNotCreated, error, outputPath);
  }
  if (result != nullptr) result->outputPath.Assign(outputPath);
  return status;
}
