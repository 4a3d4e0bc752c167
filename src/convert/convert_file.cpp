#include "convert/convert_file.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "base/debug_print.h"
#include "base/file_name.h"
#include "convert/binary_to_text.h"
#include "convert/convert_types.h"
#include "convert/text_to_binary.h"

namespace {

#if defined(_WIN32)
constexpr char kFolderSeparator = '\\';
#else
constexpr char kFolderSeparator = '/';
#endif

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

void Append(CString* path, const char* text) {
  path->AppendBytes(text, static_cast<int32_t>(std::strlen(text)));
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
      return "cannot create an output file (the folder is missing or not writable, or every "
             "name up to (9998) is taken)";
    case FileConversionStatus::ReadFailed:
      return "cannot read the file";
    case FileConversionStatus::InputShort:
      return "the file became shorter while it was read; only the part read was converted";
    case FileConversionStatus::WriteFailed:
      return "writing the output fell short (disk full?)";
    case FileConversionStatus::OutOfMemory:
      return "out of memory";
  }
  return "failed";
}

void ComposeOutputPath(const char* folder, const char* stem, const char* extension, int32_t attempt,
                       CString* path) {
  path->Clear();
  const char* folderText = OrEmpty(folder);
  Append(path, folderText);
  // An empty folder means the current directory, never the root.
  if (folderText[0] != 0) path->AppendBytes(&kFolderSeparator, 1);
  Append(path, OrEmpty(stem));
  if (attempt > 0) {
    char number[16];
    std::snprintf(number, sizeof number, "(%d)", static_cast<int>(attempt));
    Append(path, number);
  }
  // Windows drops a trailing dot; leaving it out gives the same name here.
  const char* extensionText = OrEmpty(extension);
  if (extensionText[0] != 0) {
    path->AppendBytes(".", 1);
    Append(path, extensionText);
  }
}

int CreateOutputFile(const char* folder, const char* stem, const char* extension, CFile& output,
                     int32_t attempt, CString* path) {
  ComposeOutputPath(folder, stem, extension, attempt, path);
  const int result = output.Create(*path, CreateRule::NewOnly);
  DebugPrint(WSTR("output file = %s (%d)\n"), path->GetWide(), result);
  return result;
}

FileConversionStatus ConvertOpenFile(const FileConversionRequest& request, CFile& input,
                                     CFile& output, ConversionMonitor& monitor,
                                     FileConversionResult* result) {
  const uint64_t size = input.size;
  if (result != nullptr) {
    result->inputSize = size;
    result->bytesRead = 0;
  }
  // An empty input gives an empty output.
  if (size == 0) return Finish(result, FileConversionStatus::Converted);

  const uint32_t blockSize = size < kReadBlockSize ? static_cast<uint32_t>(size) : kReadBlockSize;
  auto* block = new (std::nothrow) uint8_t[blockSize];
  if (block == nullptr) return Finish(result, FileConversionStatus::OutOfMemory);
  uint32_t got = input.Read(block, blockSize);
  if (got == 0) {
    delete[] block;
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
      const bool more = stream.Feed(reinterpret_cast<const char*>(block), got) && read < size;
      if (!more) break;
      const uint64_t left = size - read;
      got = input.Read(block, left < blockSize ? static_cast<uint32_t>(left) : blockSize);
      if (got == 0) break;
    }
    whole = read >= size;
  };

  if (request.direction == BinaryToText) {
    struct Adapter {
      BinaryToTextStream& stream;
      bool Feed(const char* data, uint32_t count) {
        return stream.Feed(reinterpret_cast<const uint8_t*>(data), count);
      }
    };
    CFileName inputName;
    inputName.SetPath(OrEmpty(request.inputPath));
    BinaryToTextStream stream(monitor, output);
    if (stream.Begin(request.byteOrder, request.unitSize,
                     Cut(request.valueFormat, kMaxValueFormatBytes, valueFormat),
                     Cut(request.arrayTemplate, kMaxTemplateBytes, arrayTemplate),
                     Cut(request.arrayName, kMaxArrayNameBytes, arrayName), size,
                     inputName.name.Text())) {
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
    if (stream.Begin(request.byteOrder, request.unitSize, size)) {
      Adapter adapter{stream};
      pump(adapter);
      written = stream.Finish();
    }
    cancelled = stream.Cancelled();
    outOfMemory = stream.OutOfMemory();
    if (outOfMemory) written = true;
  }
  delete[] block;

  if (result != nullptr) result->bytesRead = read;
  if (!written) return Finish(result, FileConversionStatus::WriteFailed);
  if (cancelled) return Finish(result, FileConversionStatus::Cancelled);
  if (outOfMemory) return Finish(result, FileConversionStatus::OutOfMemory);
  if (!whole) {
    DebugPrint(WSTR("input file short = %s\n"), input.name.GetWide());
    return Finish(result, FileConversionStatus::InputShort);
  }
  return Finish(result, FileConversionStatus::Converted);
}

FileConversionStatus ConvertFile(const FileConversionRequest& request, ConversionMonitor& monitor,
                                 FileConversionResult* result) {
  if (result != nullptr) {
    result->outputPath.Clear();
    result->inputSize = 0;
    result->bytesRead = 0;
  }
  CString inputPath;
  const char* inputText = OrEmpty(request.inputPath);
  inputPath.AssignBytes(inputText, static_cast<int32_t>(std::strlen(inputText)));
  CFile input;
  if (!input.Open(inputPath)) return Finish(result, FileConversionStatus::InputNotOpened);

  CFile output;
  CString outputPath;
  bool created = false;
  for (int32_t attempt = 0; attempt <= kLastOutputAttempt; ++attempt) {
    const int status = CreateOutputFile(request.outputFolder, request.outputStem,
                                        request.outputExtension, output, attempt, &outputPath);
    if (status == 0) {
      created = true;
      break;
    }
    if (status == -1) break;
  }
  if (!created) {
    // Converting into nothing would only spend time: every write would fail.
    output.Close();
    input.Close();
    return Finish(result, FileConversionStatus::OutputNotCreated);
  }
  if (result != nullptr) result->outputPath.Assign(outputPath);

  const FileConversionStatus status = ConvertOpenFile(request, input, output, monitor, result);
  input.Close();
  output.Close();
  return status;
}
