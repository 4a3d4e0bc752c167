#include <stdio.h>

#include "embed_sample_data.h"
#include "strings.h"

size_t TotalSize(void);

/* Each array as its name, its bytes in hex and the zero after them. */
static void Print(const char* name, const unsigned char* data, size_t size) {
  size_t i;
  printf("%s ", name);
  for (i = 0; i < size; ++i) printf("%02x", data[i]);
  printf(" %u\n", (unsigned)data[size]);
}

int main(void) {
  Print("hello", hello, hello_size);
  Print("_1_blob", _1_blob, _1_blob_size);
  Print("empty", empty, empty_size);
  Print("text", text, text_size);
  printf("total %u\n", (unsigned)TotalSize());
  return 0;
}
