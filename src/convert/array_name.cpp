#include "convert/array_name.h"

#include "base/codepage.h"

namespace {

bool IsWordByte(unsigned char byte) {
  return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
         (byte >= '0' && byte <= '9') || byte == '_' || byte >= 0x80;
}

bool IsDigit(unsigned char byte) {
  return byte >= '0' && byte <= '9';
}

}  // namespace

bool IsArrayIdentifier(const char* name) {
  if (name == nullptr || name[0] == 0 || IsDigit(static_cast<unsigned char>(name[0]))) {
    return false;
  }
  for (const char* at = name; *at != 0; ++at) {
    const auto byte = static_cast<unsigned char>(*at);
    if (!IsWordByte(byte)) return false;
    // The second byte of a double-byte character may be ASCII punctuation.
    if (IsAnsiLeadByte(byte) && at[1] != 0) ++at;
  }
  return true;
}

bool MakeArrayName(const char* stem, CString* name) {
  name->Clear();
  const char* text = stem != nullptr ? stem : "";
  if (text[0] == 0) return name->AssignText("data") != 0;
  if (IsDigit(static_cast<unsigned char>(text[0])) && !name->AppendBytes("_", 1)) return false;
  for (const char* at = text; *at != 0; ++at) {
    const auto byte = static_cast<unsigned char>(*at);
    // A character the code page lacks (base/str.h) would not compile either.
    const int32_t foreign = ForeignCharacterAt(at);
    const int32_t count = foreign > 0 ? foreign : IsAnsiLeadByte(byte) && at[1] != 0 ? 2 : 1;
    if ((IsWordByte(byte) && foreign == 0 ? name->AppendBytes(at, count)
                                          : name->AppendBytes("_", 1)) == 0) {
      name->Clear();
      return false;
    }
    at += count - 1;
  }
  return true;
}
