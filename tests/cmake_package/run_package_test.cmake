# Installs brelvix-cli with its CMake package into a fresh prefix, then
# configures, builds and runs the sample project against it with each form
# and compiler, checking the bytes; the Make generator must convert an input
# touched without a change once and compile nothing; what brelvix_embed must
# refuse fails at configure time or, for a narrow format, at build time.
#   cmake -DBUILD_DIR=<brelvix build> -DSAMPLE_DIR=<this folder> -DWORK_DIR=<scratch>
#         -P run_package_test.cmake

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "failed (${status}): ${ARGN}\n${out}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

# Runs the command, which must fail saying what matches the pattern (CMake
# wraps its messages: read as one line).
function(refused pattern)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  string(REGEX REPLACE "[ \n]+" " " out "${out}")
  if(status EQUAL 0 OR NOT out MATCHES "${pattern}")
    message(FATAL_ERROR "'${ARGN}' must fail with '${pattern}' (${status}):\n${out}")
  endif()
endfunction()

set(sample ${WORK_DIR}/sample)
# name:file, the file in the sample's folder, or for big in the build's.
set(embedded hello:data/hello.txt _1_blob:data/1-blob.bin empty:data/empty.dat big:big.bin
             sample_text_text:data/text.txt lib_hello:data/lib/hello.txt)
# Sets name and path of an entry of embedded.
macro(embedded_file pair build)
  string(REGEX MATCH "^[^:]+" name "${pair}")
  string(REGEX REPLACE "^[^:]+:" "" file "${pair}")
  set(path ${sample}/${file})
  if(name STREQUAL "big")
    set(path ${build}/${file})
  endif()
endmacro()

# What the sample prints for its inputs: name, bytes in hex, the zero after.
function(expected_output result build)
  set(text "")
  set(total 0)
  foreach(pair ${embedded})
    embedded_file(${pair} ${build})
    file(READ ${path} hex_${name} HEX)
    string(APPEND text "${name} ${hex_${name}} 0\n")
    file(SIZE ${path} size)
    if(NOT name MATCHES "lib_hello|big")
      math(EXPR total "${total} + ${size}")
    endif()
  endforeach()
  file(READ ${sample}/data/units.bin units HEX)
  string(APPEND text "aligned 1\nunits ${units}\ndata/1-blob.bin ${hex__1_blob} 0\n"
                     "data/hello.txt ${hex_hello} 0\ndata/empty.dat  0\ndata/text.txt ${hex_sample_text_text} 0\n"
                     "hello.txt none\n")
  set(${result} "${text}total ${total}\n" PARENT_SCOPE)
endfunction()

function(check_program build)
  run(${build}/embed_sample)
  expected_output(expected ${build})
  if(NOT out STREQUAL expected)
    message(FATAL_ERROR "the sample in ${build} printed\n${out}instead of\n${expected}")
  endif()
endfunction()

# The array NAME as the object file of a Windows build holds it: each must
# be its file's bytes and the zero.
function(check_objects build)
  foreach(pair ${embedded})
    embedded_file(${pair} ${build})
    file(GLOB_RECURSE object ${build}/*/${name}.c.obj)
    run(x86_64-w64-mingw32-objcopy -O binary --only-section=.rdata$${name} ${object}
        ${build}/${name}.bytes)
    file(READ ${path} expected HEX)
    file(SIZE ${path} size)
    math(EXPR size "${size} + 1")
    file(READ ${build}/${name}.bytes actual LIMIT ${size} HEX)
    if(NOT actual STREQUAL "${expected}00")
      message(FATAL_ERROR "${object} holds ${actual} for ${name}, not ${expected}00")
    endif()
  endforeach()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix --component cli)
if(NOT EXISTS ${WORK_DIR}/prefix/lib/cmake/Brelvix/BrelvixConfig.cmake)
  message(FATAL_ERROR "the install made no lib/cmake/Brelvix/BrelvixConfig.cmake")
endif()
file(COPY ${SAMPLE_DIR}/ DESTINATION ${sample} PATTERN run_package_test.cmake EXCLUDE)
set(configure ${CMAKE_COMMAND} -S ${sample} -G "Unix Makefiles"
              -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix)

# Each form with each compiler: the bytes as the files hold them.
set(build ${WORK_DIR}/gcc-string)
foreach(case gcc-string gcc-array clang-string clang-array cxx-string cxx-array mingw-string
             mingw-array)
  string(REPLACE "-" ";" parts ${case})
  list(GET parts 0 compiler)
  list(GET parts 1 form)
  set(options -DSAMPLE_FORM=${form})
  if(compiler STREQUAL "clang")
    list(APPEND options -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++)
  elseif(compiler STREQUAL "cxx")
    list(APPEND options -DSAMPLE_CXX_ONLY=ON -DCMAKE_CXX_COMPILER=g++)
  elseif(compiler STREQUAL "mingw")
    list(APPEND options -DCMAKE_TOOLCHAIN_FILE=${SAMPLE_DIR}/../../cmake/mingw-w64-x86_64.cmake
         -DCMAKE_C_FLAGS=-fdata-sections)
  endif()
  run(${configure} -B ${WORK_DIR}/${case} ${options})
  run(${CMAKE_COMMAND} --build ${WORK_DIR}/${case})
  if(compiler STREQUAL "mingw")
    check_objects(${WORK_DIR}/${case})
  else()
    check_program(${WORK_DIR}/${case})
  endif()
endforeach()

# Configured again too, as an edit of the project would: the generated
# template and settings files must stay as they are.
run(${CMAKE_COMMAND} ${build})
run(${CMAKE_COMMAND} --build ${build})
if(out MATCHES "Embedding|Building|Linking")
  message(FATAL_ERROR "the second build did work:\n${out}")
endif()

# Touched without a change: converted once, compiled never.
file(TOUCH ${sample}/data/hello.txt)
run(${CMAKE_COMMAND} --build ${build})
if(NOT out MATCHES "Embedding data/hello.txt" OR out MATCHES "Embedding data/1-blob|Building")
  message(FATAL_ERROR "a touched input must be converted and nothing compiled:\n${out}")
endif()
run(${CMAKE_COMMAND} --build ${build})
if(out MATCHES "Embedding|Building|Linking")
  message(FATAL_ERROR "a touched input must be converted only once:\n${out}")
endif()

file(WRITE ${sample}/data/hello.txt "changed \"text\"")
run(${CMAKE_COMMAND} --build ${build})
if(NOT out MATCHES "Embedding data/hello.txt" OR out MATCHES "Embedding data/1-blob")
  message(FATAL_ERROR "only the changed input must be embedded again:\n${out}")
endif()
check_program(${build})

# Refused at configure time, each with its reason.
file(MAKE_DIRECTORY ${sample}/refuse)
foreach(file int.bin main.bin index.html hello_size.bin hello.txt .hidden)
  file(WRITE ${sample}/refuse/${file} "x")
endforeach()
foreach(case "keyword:'int', which is a C or C\\+\\+ keyword"
             "library:'main', which is a C or C\\+\\+ keyword or a C library name"
             "index:'index', which is a C or C\\+\\+ keyword or a C library name"
             "companion:'hello_size', which clashes with 'hello' of 'data/hello.txt'"
             "stem:'hello', which clashes with 'hello' of 'data/hello.txt'"
             "clash:'hello', which clashes with 'hello' of 'data/lib/hello.txt' of sample_lib"
             "empty:'refuse/.hidden' of embed_sample gives an empty name"
             "missing:the file 'refuse/none.bin' does not exist"
             "template:the TEMPLATE has 256 bytes; brelvix-cli takes at most 255"
             "header:sample_lib has a HEADER sample_lib_data.h already")
  string(REGEX MATCH "^[a-z]+" name "${case}")
  string(REGEX REPLACE "^[a-z]+:" "" pattern "${case}")
  refused("${pattern}" ${configure} -B ${WORK_DIR}/refused -DSAMPLE_REFUSE=${name})
endforeach()

# A format narrower than its unit fails the build with the tool's words.
run(${configure} -B ${WORK_DIR}/refused -DSAMPLE_REFUSE=narrow)
refused("the format '0x%02X' shows only the low 32 bits of each 8-byte value"
        ${CMAKE_COMMAND} --build ${WORK_DIR}/refused)
