// The same header from C++.
#include "embed_sample_data.h"

extern "C" size_t TotalSize() {
  return hello_size + _1_blob_size + empty_size;
}
