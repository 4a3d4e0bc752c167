// The same headers from C++: the index, the constexpr sizes and the views.
#include <string_view>

#include "embed_sample_data.h"
#include "texts.h"

static_assert(sample::text::text_size + 1 == sizeof sample::text::text, "a constexpr size");
static_assert(_1_blob_bytes().size() == BRELVIX_SIZE__1_blob, "a span of the file's size");

// The sizes summed, or 0 when a view or the index disagrees with the arrays.
extern "C" size_t TotalSize() {
  size_t size = 0;
  const unsigned char* found = sample_files_find("data/hello.txt", &size);
  if (found != hello ||
      hello_text() != std::string_view(reinterpret_cast<const char*>(hello), size))
    return 0;
  if (sample::text::text_bytes().data() != sample_text_text) return 0;
  return size + _1_blob_bytes().size() + empty_size + sample::text::text_size;
}
