// The same headers from C++.
#include "embed_sample_data.h"
#include "strings.h"

extern "C" size_t TotalSize() {
  return hello_size + _1_blob_size + empty_size + text_size;
}
