#include "sample_lib_data.h"

#ifdef __cplusplus
extern "C" const unsigned char* LibraryHello(size_t* size);
#endif

/* The library's own hello, whatever the app embeds under that name. */
const unsigned char* LibraryHello(size_t* size) {
  *size = lib_hello_size;
  return lib_hello;
}
