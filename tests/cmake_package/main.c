#include <stdio.h>

#include "embed_sample_data.h"
#include "texts.h"
#include "units.h"

#ifdef __cplusplus
extern "C" {
#endif
size_t TotalSize(void);
const unsigned char* LibraryHello(size_t* size);
#ifdef __cplusplus
}
#endif

/* Each array as its name, its bytes in hex and the zero after them. */
static void Print(const char* name, const unsigned char* data, size_t size) {
  size_t i;
  printf("%s ", name);
  if (data == NULL) {
    printf("none\n");
    return;
  }
  for (i = 0; i < size; ++i)
    printf("%02x", data[i]);
  printf(" %u\n", (unsigned)data[size]);
}

int main(void) {
  const char* paths[] = {"data/1-blob.bin", "data/hello.txt", "data/empty.dat", "data/text.txt",
                         "hello.txt"};
  const unsigned char* data;
  size_t size, i;
  Print("hello", hello, hello_size);
  Print("_1_blob", _1_blob, _1_blob_size);
  Print("empty", empty, empty_size);
  Print("big", big, big_size);
  Print("sample_text_text", sample_text_text, sample_text_text_size);
  data = LibraryHello(&size);
  Print("lib_hello", data, size);
  printf("aligned %d\n", (int)((size_t)data % 64 == 0));
  /* Units without their zero: the data is all there is. */
  printf("units ");
  for (i = 0; i < units_size; ++i)
    printf("%02x", units[i]);
  printf("\n");
  for (i = 0; i < sizeof paths / sizeof paths[0]; ++i) {
    data = sample_files_find(paths[i], &size);
    Print(paths[i], data, size);
  }
  printf("total %u\n", (unsigned)TotalSize());
  return 0;
}
