# find_package(Brelvix): the imported executable Brelvix::brelvix-cli and
#
#   brelvix_embed(<target> FILES <file>... [HEADER <name>] [FORM string|array]
#                 [PREFIX <prefix>] [NAMESPACE <ns>] [INDEX <name>] [ALIGN <n>]
#                 [TEMPLATE <text>] [SIZE 1|2|4|8] [ENDIAN big|little]
#                 [FORMAT <fmt>])
#
# which turns each file, at build time and only when it changed, into one
# source of <target>, and writes one header (default <target>_data.h, on the
# target's include path) that declares for every file, in C and C++ alike:
#
#   extern const unsigned char SYMBOL[];   /* the bytes, then one zero */
#   extern const size_t SYMBOL_size;       /* the number of bytes */
#
# SYMBOL is PREFIX and the file's name without its last extension, every
# character that cannot stand in a C identifier turned into '_', and '_'
# before a leading digit. NAMESPACE (C++) gives, in that namespace, the
# array by its short name, a constexpr NAME_size and the accessors; its
# default PREFIX is the namespace with '_' for '::' and one '_' more.
# Without NAMESPACE, C++ has SYMBOL_bytes() (std::span, C++20) and
# SYMBOL_text() (std::string_view, C++17), and the array's bound is known.
#
# FORM string (the default) writes the bytes as string literals, the fastest
# to compile; FORM array writes them as a byte array. A TEMPLATE of your own
# (at most 255 bytes) replaces both and must define SYMBOL and SYMBOL_size as
# the header declares them; SIZE other than 1 needs one. FORMAT defaults to
# the size's own ("" to the tool); a format narrower than the size fails.
# INDEX <name> adds <name>_find(path, &size) over every file embedded into
# the target in this folder, by the path as written in FILES.

include("${CMAKE_CURRENT_LIST_DIR}/BrelvixCliTargets.cmake")
set_property(GLOBAL PROPERTY BRELVIX_STEP_SCRIPT "${CMAKE_CURRENT_LIST_DIR}/BrelvixEmbed.cmake")

# Names that would not compile or would take a library's name.
set(_brelvix_refused_names
    # C and C++ keywords
    alignas alignof and and_eq asm auto bitand bitor bool break case catch char char8_t
    char16_t char32_t class co_await co_return co_yield compl concept const const_cast consteval
    constexpr constinit continue decltype default delete do double dynamic_cast else enum
    explicit export extern false float for friend goto if inline int long mutable namespace new
    noexcept not not_eq nullptr operator or or_eq private protected public register
    reinterpret_cast requires restrict return short signed sizeof static static_assert
    static_cast struct switch template this thread_local throw true try typedef typeid typename
    union unsigned using virtual void volatile wchar_t while xor xor_eq _Alignas _Alignof
    _Atomic _Bool _Complex _Generic _Imaginary _Noreturn _Static_assert _Thread_local
    # the C library, POSIX and common macros
    main index rindex errno environ stdin stdout stderr abort abs atexit atof atoi atol
    bsearch calloc div exit free getenv labs ldiv malloc qsort rand realloc srand strtod strtol
    strtoul system memchr memcmp memcpy memmove memset strcat strchr strcmp strcoll strcpy
    strcspn strerror strlen strncat strncmp strncpy strpbrk strrchr strspn strstr strtok
    strxfrm strdup printf fprintf sprintf snprintf scanf sscanf puts gets fopen fclose fread
    fwrite fseek ftell fflush remove rename tmpfile perror time clock difftime mktime signal
    raise setjmp longjmp assert offsetof exp log log10 sin cos tan sqrt pow floor ceil fabs
    fmod round y0 y1 yn j0 j1 jn gamma open close read write select link unlink access sleep
    fork pipe dup stat bzero bcopy optarg optind NULL EOF BUFSIZ FILE min max)
set(_brelvix_system_headers
    assert.h complex.h ctype.h errno.h fenv.h float.h inttypes.h iso646.h limits.h locale.h
    math.h setjmp.h signal.h stdalign.h stdarg.h stdatomic.h stdbool.h stddef.h stdint.h stdio.h
    stdlib.h stdnoreturn.h string.h strings.h tgmath.h threads.h time.h uchar.h wchar.h wctype.h
    unistd.h fcntl.h memory.h malloc.h windows.h)
# What a symbol also takes: its size, its C++ accessors.
set(_brelvix_companions _size _bytes _text)

# Refuses NAME (for what) unless it is a usable identifier.
function(_brelvix_check_name name what)
  if(name STREQUAL "")
    message(FATAL_ERROR "brelvix_embed: ${what} gives an empty name")
  endif()
  if(name IN_LIST _brelvix_refused_names)
    message(FATAL_ERROR "brelvix_embed: ${what} gives the name '${name}', which is a C or "
                        "C++ keyword or a C library name; rename the file or give a PREFIX")
  endif()
  if(name MATCHES "^_[A-Z_]|__")
    message(FATAL_ERROR "brelvix_embed: ${what} gives the name '${name}', which is reserved "
                        "to the compiler; rename the file or give a PREFIX")
  endif()
endfunction()

# Records SYMBOL and its companions for the whole project, refusing any that
# another file took already, so that a library and an app cannot share one.
function(_brelvix_claim symbol what)
  get_property(claimed GLOBAL PROPERTY BRELVIX_SYMBOLS)
  foreach(suffix "" ${_brelvix_companions})
    # This name or one of its companions taken by an earlier name, or this
    # name a companion of an earlier one.
    set(taken "${symbol}${suffix}")
    if(NOT suffix STREQUAL "" AND symbol MATCHES "^(.+)${suffix}$")
      list(APPEND taken "${CMAKE_MATCH_1}")
    endif()
    foreach(name IN LISTS taken)
      list(FIND claimed "${name}" at)
      if(at GREATER -1)
        math(EXPR at "${at} + 1")
        list(GET claimed ${at} owner)
        message(FATAL_ERROR "brelvix_embed: ${what} gives the symbol '${symbol}', which "
                            "clashes with '${name}' of ${owner}; give one of them a PREFIX")
      endif()
    endforeach()
  endforeach()
  string(REPLACE ";" "," owner "${what}")
  set_property(GLOBAL APPEND PROPERTY BRELVIX_SYMBOLS "${symbol}" "${owner}")
endfunction()

# Writes the index source of a target at the end of its folder: by then
# every brelvix_embed() there has added its files.
function(_brelvix_write_index target name source)
  get_property(entries TARGET ${target} PROPERTY BRELVIX_INDEX_ENTRIES)
  get_property(headers TARGET ${target} PROPERTY BRELVIX_HEADERS)
  set(includes "")
  foreach(header IN LISTS headers)
    string(APPEND includes "#include \"${header}\"\n")
  endforeach()
  list(SORT entries)
  set(rows "")
  foreach(entry IN LISTS entries)
    string(REPLACE "|" ";" entry "${entry}")
    list(GET entry 0 path)
    list(GET entry 1 symbol)
    string(REPLACE "\\" "\\\\" path "${path}")
    string(REPLACE "\"" "\\\"" path "${path}")
    string(APPEND rows "    {\"${path}\", ${symbol}, &${symbol}_size},\n")
  endforeach()
  file(CONFIGURE OUTPUT ${source} CONTENT
"/* Generated by brelvix_embed: the files of ${target} by path, sorted. */
#include <string.h>

${includes}
struct brelvix_index_entry {
  const char* path;
  const unsigned char* data;
  const size_t* size;
};

static const struct brelvix_index_entry entries[] = {
${rows}};

const unsigned char* ${name}_find(const char* path, size_t* size) {
  size_t low = 0, high = sizeof entries / sizeof entries[0];
  while (path != NULL && low < high) {
    const size_t middle = low + (high - low) / 2;
    const int order = strcmp(path, entries[middle].path);
    if (order == 0) {
      if (size != NULL) *size = *entries[middle].size;
      return entries[middle].data;
    }
    if (order < 0) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  if (size != NULL) *size = 0;
  return NULL;
}
")
endfunction()

function(brelvix_embed target)
  cmake_parse_arguments(PARSE_ARGV 1 ARG ""
                        "HEADER;TEMPLATE;SIZE;ENDIAN;FORMAT;FORM;PREFIX;NAMESPACE;INDEX;ALIGN"
                        "FILES")
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "brelvix_embed: unknown arguments: ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT TARGET ${target})
    message(FATAL_ERROR "brelvix_embed: '${target}' is no target")
  endif()
  if(NOT ARG_FILES)
    message(FATAL_ERROR "brelvix_embed: no FILES given")
  endif()
  if(NOT DEFINED ARG_HEADER)
    set(ARG_HEADER ${target}_data.h)
  endif()
  if(NOT DEFINED ARG_SIZE)
    set(ARG_SIZE 1)
  endif()
  if(NOT ARG_SIZE MATCHES "^[1248]$")
    message(FATAL_ERROR "brelvix_embed: SIZE must be 1, 2, 4 or 8, not '${ARG_SIZE}'")
  endif()
  if(NOT DEFINED ARG_TEMPLATE AND NOT ARG_SIZE STREQUAL "1")
    message(FATAL_ERROR "brelvix_embed: SIZE ${ARG_SIZE} needs a TEMPLATE that declares "
                        "the values' type")
  endif()
  if(DEFINED ARG_TEMPLATE)
    string(LENGTH "${ARG_TEMPLATE}" length)
    if(length GREATER 255)
      message(FATAL_ERROR "brelvix_embed: the TEMPLATE has ${length} bytes; brelvix-cli "
                          "takes at most 255 (move the rest into a header it includes)")
    endif()
    if(DEFINED ARG_FORM)
      message(FATAL_ERROR "brelvix_embed: FORM and TEMPLATE exclude each other")
    endif()
  endif()
  if(NOT DEFINED ARG_FORM)
    set(ARG_FORM string)
  endif()
  if(NOT ARG_FORM MATCHES "^(string|array)$")
    message(FATAL_ERROR "brelvix_embed: FORM must be string or array, not '${ARG_FORM}'")
  endif()
  if(NOT DEFINED ARG_ENDIAN)
    set(ARG_ENDIAN big)
  endif()
  if(NOT ARG_ENDIAN MATCHES "^(big|little)$")
    message(FATAL_ERROR "brelvix_embed: ENDIAN must be big or little, not '${ARG_ENDIAN}'")
  endif()
  # No FORMAT (or an empty one, which CMake drops): the size's own.
  if(NOT DEFINED ARG_FORMAT)
    set(ARG_FORMAT "")
  endif()
  if(DEFINED ARG_ALIGN AND NOT ARG_ALIGN MATCHES "^(1|2|4|8|16|32|64|128|256|512|1024|2048|4096)$")
    message(FATAL_ERROR "brelvix_embed: ALIGN must be a power of two up to 4096, "
                        "not '${ARG_ALIGN}'")
  endif()
  if(DEFINED ARG_NAMESPACE)
    if(NOT ARG_NAMESPACE MATCHES "^[A-Za-z_][A-Za-z0-9_]*(::[A-Za-z_][A-Za-z0-9_]*)*$")
      message(FATAL_ERROR "brelvix_embed: NAMESPACE '${ARG_NAMESPACE}' is no C++ namespace")
    endif()
    string(REPLACE "::" ";" parts "${ARG_NAMESPACE}")
    foreach(part IN LISTS parts)
      _brelvix_check_name("${part}" "NAMESPACE '${ARG_NAMESPACE}'")
    endforeach()
    if(NOT DEFINED ARG_PREFIX)
      string(REPLACE "::" "_" ARG_PREFIX "${ARG_NAMESPACE}_")
    endif()
  endif()
  if(DEFINED ARG_PREFIX AND NOT ARG_PREFIX MATCHES "^[A-Za-z_][A-Za-z0-9_]*$")
    message(FATAL_ERROR "brelvix_embed: PREFIX '${ARG_PREFIX}' cannot begin a C identifier")
  endif()

  # The header's folder is on the include path, before the system's.
  get_filename_component(header_name "${ARG_HEADER}" NAME)
  if(header_name IN_LIST _brelvix_system_headers)
    message(FATAL_ERROR "brelvix_embed: HEADER ${ARG_HEADER} would hide the system's "
                        "<${header_name}>; give it another name")
  endif()

  # A header's folder reaches the targets that link this one: one name, one
  # header in the whole project.
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/brelvix/${target})
  get_property(all_headers GLOBAL PROPERTY BRELVIX_HEADERS)
  list(FIND all_headers "${ARG_HEADER}" at)
  if(at GREATER -1)
    math(EXPR at "${at} + 1")
    list(GET all_headers ${at} owner)
    message(FATAL_ERROR "brelvix_embed: ${owner} has a HEADER ${ARG_HEADER} already; "
                        "give this call another HEADER")
  endif()
  set_property(GLOBAL APPEND PROPERTY BRELVIX_HEADERS "${ARG_HEADER}" "${target}")
  get_property(headers TARGET ${target} PROPERTY BRELVIX_HEADERS)
  set_property(TARGET ${target} APPEND PROPERTY BRELVIX_HEADERS ${ARG_HEADER})
  list(LENGTH headers call)
  # Sources in C when the project has C, so that no C++ is needed for them
  # and the string form can be grouped within MSVC's limits.
  get_property(languages GLOBAL PROPERTY ENABLED_LANGUAGES)
  if("C" IN_LIST languages)
    set(extension c)
  else()
    set(extension cpp)
  endif()

  # The template and the settings live in files written only when they
  # change, so that a changed setting regenerates the sources with any
  # generator; one set per header, as a target may embed more than once.
  set(template ${dir}/${ARG_HEADER}.template)
  set(settings ${dir}/${ARG_HEADER}.settings)
  set(support brelvix${call}.h)
  if(DEFINED ARG_TEMPLATE)
    # As it stands: no ${} or @@ of the template is replaced.
    file(WRITE ${template}.new "${ARG_TEMPLATE}")
    configure_file(${template}.new ${template} COPYONLY)
  else()
    # The macros of the templates, which must stay within 255 bytes.
    set(aligned "")
    if(DEFINED ARG_ALIGN)
      set(aligned "
#if defined(__cplusplus)
#define BRELVIX_ALIGNED alignas(${ARG_ALIGN})
#elif defined(_MSC_VER)
#define BRELVIX_ALIGNED __declspec(align(${ARG_ALIGN}))
#else
#define BRELVIX_ALIGNED __attribute__((aligned(${ARG_ALIGN})))
#endif")
    else()
      set(aligned "#define BRELVIX_ALIGNED")
    endif()
    file(CONFIGURE OUTPUT ${dir}/${support} CONTENT
"/* Generated by brelvix_embed: what its sources share. */
#include <stddef.h>
${aligned}
#ifdef __cplusplus
#define BRELVIX_LINKAGE extern \"C\"
#else
#define BRELVIX_LINKAGE
#endif
/* The size the build step measured, which a header may use, is checked. */
#define BRELVIX_HEAD(name, size)                                        \\
  typedef char name##_brelvix_checked[BRELVIX_SIZE_##name == (size) ? 1 : -1]; \\
  BRELVIX_LINKAGE const size_t name##_size = (size);
#define BRELVIX_BYTES(name, size) \\
  BRELVIX_LINKAGE BRELVIX_ALIGNED const unsigned char name[(size) + 1]
/* C: string groups of the build step as rows of one contiguous array,
   each row's literal far below MSVC's limits; an exact row has no zero. */
#if defined(BRELVIX_STRING_GROUPS)
#define BRELVIX_GROUP 16384
#define BRELVIX_STRING(name, size)                               \\
  BRELVIX_ALIGNED const unsigned char name[(size) / BRELVIX_GROUP + 1] \\
      [(size) < BRELVIX_GROUP ? (size) + 1 : BRELVIX_GROUP]
#else
#define BRELVIX_STRING BRELVIX_BYTES
#endif
#if defined(__GNUC__)
#pragma GCC diagnostic ignored \"-Woverlength-strings\"
#endif
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 15
#pragma GCC diagnostic ignored \"-Wunterminated-string-initialization\"
#endif
#if defined(_MSC_VER)
#pragma warning(disable : 4295)
#endif
")
    # The header's declaration of a C source's string rows is one array of
    # bytes; the source does not include it, as C lets the two differ only
    # across sources.
    set(begin "#include \"${support}\"\n#include \"($ARRAY_NAME).size.h\"\n")
    if(ARG_FORM STREQUAL "string")
      if(extension STREQUAL "c")
        string(PREPEND begin "#define BRELVIX_STRING_GROUPS\n")
      endif()
      set(form_template "${begin}BRELVIX_HEAD(($ARRAY_NAME), ($ARRAY_SIZE))
BRELVIX_STRING(($ARRAY_NAME), ($ARRAY_SIZE)) = {
($ARRAY_STRING)};
")
    else()
      set(form_template "${begin}BRELVIX_HEAD(($ARRAY_NAME), ($ARRAY_SIZE))
BRELVIX_BYTES(($ARRAY_NAME), ($ARRAY_SIZE)) = {
#if ($ARRAY_SIZE) == 0
0
#endif
($ARRAY_DATA)};
")
    endif()
    file(CONFIGURE OUTPUT ${template} CONTENT "${form_template}")
  endif()
  file(CONFIGURE OUTPUT ${settings}
       CONTENT "size ${ARG_SIZE}\nendian ${ARG_ENDIAN}\nformat ${ARG_FORMAT}\n")

  get_property(step_script GLOBAL PROPERTY BRELVIX_STEP_SCRIPT)
  set(guard "BRELVIX_${target}_${ARG_HEADER}")
  string(MAKE_C_IDENTIFIER "${guard}" guard)
  string(TOUPPER "${guard}" guard)
  set(size_includes "")
  set(declarations "")
  set(cxx_declarations "")
  set(extras "")
  set(stems "")
  foreach(file IN LISTS ARG_FILES)
    get_filename_component(input "${file}" ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    get_source_file_property(generated "${input}" GENERATED)
    if(NOT EXISTS "${input}" AND NOT generated)
      message(FATAL_ERROR "brelvix_embed: ${target}: the file '${file}' does not exist")
    endif()
    get_filename_component(stem "${input}" NAME_WLE)
    set(name "")
    if(NOT stem STREQUAL "")
      string(MAKE_C_IDENTIFIER "${stem}" name)
    endif()
    set(what "'${file}' of ${target}")
    _brelvix_check_name("${name}" "${what}")
    set(symbol "${ARG_PREFIX}${name}")
    if(DEFINED ARG_PREFIX)
      _brelvix_check_name("${symbol}" "${what}")
    endif()
    _brelvix_claim("${symbol}" "${what}")

    string(APPEND size_includes "#include \"${symbol}.size.h\"\n")
    string(APPEND declarations "extern const unsigned char ${symbol}[];\n"
                               "extern const size_t ${symbol}_size;\n")
    set(count "BRELVIX_SIZE_${symbol}")
    if(DEFINED ARG_TEMPLATE)
      # Its layout is the template's: C++ gets the C declarations.
      string(APPEND cxx_declarations "extern const unsigned char ${symbol}[];\n"
                                     "extern const size_t ${symbol}_size;\n")
    else()
      string(APPEND cxx_declarations "extern const unsigned char ${symbol}[${count} + 1];\n"
                                     "extern const size_t ${symbol}_size;\n")
    endif()
    set(short ${symbol})
    if(DEFINED ARG_NAMESPACE AND NOT DEFINED ARG_TEMPLATE)
      string(APPEND extras
             "constexpr std::size_t ${name}_size = ${count};\n"
             "static constexpr const unsigned char (&${name})[${count} + 1] = ::${symbol};\n")
      set(short ${name})
    endif()
    if(NOT DEFINED ARG_TEMPLATE)
      string(APPEND extras
           "#ifdef ${guard}_SPAN\n"
           "constexpr std::span<const unsigned char, ${count}> ${short}_bytes() noexcept {\n"
           "  return std::span<const unsigned char, ${count}>(::${symbol}, ${count});\n}\n"
           "#endif\n#ifdef ${guard}_STRING_VIEW\n"
           "inline std::string_view ${short}_text() noexcept {\n"
           "  return std::string_view(reinterpret_cast<const char*>(::${symbol}), ${count});\n}\n"
           "#endif\n")
    endif()

    set(source ${dir}/${symbol}.${extension})
    set(size_header ${dir}/${symbol}.size.h)
    set(stamp ${dir}/${symbol}.stamp)
    # The step leaves an unchanged source alone, modification time and all,
    # so that it is not compiled again; the stamp is the step's own output.
    add_custom_command(
      OUTPUT ${stamp}
      BYPRODUCTS ${source} ${size_header}
      COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:Brelvix::brelvix-cli> -DINPUT=${input}
              -DSOURCE=${source} -DSIZE_HEADER=${size_header} -DNAME=${symbol}
              -DTEMPLATE=${template} -DSIZE=${ARG_SIZE} -DENDIAN=${ARG_ENDIAN}
              -DFORMAT=${ARG_FORMAT} -DSTAMP=${stamp}
              -P ${step_script}
      DEPENDS ${input} ${template} ${settings} ${step_script}
              $<TARGET_FILE:Brelvix::brelvix-cli>
      COMMENT "Embedding ${file} as ${symbol}"
      VERBATIM)
    target_sources(${target} PRIVATE ${stamp} ${source} ${size_header})
    set_property(TARGET ${target} APPEND PROPERTY BRELVIX_INDEX_ENTRIES "${file}|${symbol}")
  endforeach()

  set(index_declaration "")
  if(DEFINED ARG_INDEX)
    _brelvix_check_name("${ARG_INDEX}" "INDEX of ${target}")
    get_property(indexed TARGET ${target} PROPERTY BRELVIX_INDEX)
    if(indexed)
      message(FATAL_ERROR "brelvix_embed: ${target} has an INDEX already")
    endif()
    set_property(TARGET ${target} PROPERTY BRELVIX_INDEX ${ARG_INDEX})
    _brelvix_claim("${ARG_INDEX}_find" "INDEX of ${target}")
    set(index_declaration "/* The bytes of the file embedded from PATH as written in FILES, and
   their number in *size (when size is not null); null when there is none. */
const unsigned char* ${ARG_INDEX}_find(const char* path, size_t* size);
")
    set(index_source ${dir}/${ARG_INDEX}_index.${extension})
    # A deferred call reads its arguments' variables when it runs: the values now.
    cmake_language(EVAL CODE "cmake_language(DEFER DIRECTORY [[${CMAKE_CURRENT_SOURCE_DIR}]]
      CALL _brelvix_write_index [[${target}]] [[${ARG_INDEX}]] [[${index_source}]])")
    target_sources(${target} PRIVATE ${index_source})
  endif()

  if(DEFINED ARG_NAMESPACE)
    # One level at a time: a::b needs C++17.
    string(REPLACE "::" ";" parts "${ARG_NAMESPACE}")
    list(REVERSE parts)
    foreach(part IN LISTS parts)
      set(extras "namespace ${part} {\n${extras}}\n")
    endforeach()
  endif()
  file(CONFIGURE OUTPUT ${dir}/${ARG_HEADER} CONTENT
"/* Generated by brelvix_embed for ${target}. */
#ifndef ${guard}
#define ${guard}

#include <stddef.h>

#ifdef __cplusplus
#include <cstddef>
${size_includes}
extern \"C\" {
${cxx_declarations}${index_declaration}}

#if defined(_MSVC_LANG) && _MSVC_LANG > __cplusplus
#define ${guard}_STANDARD _MSVC_LANG
#else
#define ${guard}_STANDARD __cplusplus
#endif
#if ${guard}_STANDARD >= 202002L && defined(__has_include)
#if __has_include(<span>)
#include <span>
#define ${guard}_SPAN 1
#endif
#endif
#if ${guard}_STANDARD >= 201703L
#include <string_view>
#define ${guard}_STRING_VIEW 1
#endif
#if ${guard}_STANDARD >= 201103L
${extras}#endif

#else
${declarations}${index_declaration}#endif

#endif
")
  target_sources(${target} PRIVATE ${dir}/${ARG_HEADER})
  target_include_directories(${target} PUBLIC ${dir})
endfunction()
