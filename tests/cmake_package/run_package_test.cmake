# Installs brelvix-cli with its CMake package into a fresh prefix, then
# configures, builds and runs the sample project against it, and configures
# and builds it again: the second build must regenerate and compile nothing,
# and a changed input must reach the program.
#   cmake -DBUILD_DIR=<brelvix build> -DSAMPLE_DIR=<this folder> -DWORK_DIR=<scratch>
#         -P run_package_test.cmake

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "failed (${status}): ${ARGN}\n${out}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

# What the sample prints for its inputs: name, bytes in hex, the zero after.
function(expected_output result)
  set(text "")
  foreach(pair hello:hello.txt _1_blob:1-blob.bin empty:empty.dat text:text.txt)
    string(REPLACE ":" ";" pair "${pair}")
    list(GET pair 0 name)
    list(GET pair 1 file)
    file(READ ${WORK_DIR}/sample/data/${file} hex HEX)
    string(APPEND text "${name} ${hex} 0\n")
    file(SIZE ${WORK_DIR}/sample/data/${file} size)
    math(EXPR total "${total} + ${size}")
  endforeach()
  set(${result} "${text}total ${total}\n" PARENT_SCOPE)
endfunction()

function(check_program)
  run(${WORK_DIR}/build/embed_sample)
  set(total 0)
  expected_output(expected)
  if(NOT out STREQUAL expected)
    message(FATAL_ERROR "the sample printed\n${out}instead of\n${expected}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix --component cli)
if(NOT EXISTS ${WORK_DIR}/prefix/lib/cmake/Brelvix/BrelvixConfig.cmake)
  message(FATAL_ERROR "the install made no lib/cmake/Brelvix/BrelvixConfig.cmake")
endif()
file(COPY ${SAMPLE_DIR}/ DESTINATION ${WORK_DIR}/sample PATTERN run_package_test.cmake EXCLUDE)

run(${CMAKE_COMMAND} -S ${WORK_DIR}/sample -B ${WORK_DIR}/build -G "Unix Makefiles"
    -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
check_program()

# Configured again too, as an edit of the project would: the generated
# template and settings files must stay as they are.
run(${CMAKE_COMMAND} ${WORK_DIR}/build)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
if(out MATCHES "Embedding|Building|Linking")
  message(FATAL_ERROR "the second build did work:\n${out}")
endif()

file(WRITE ${WORK_DIR}/sample/data/hello.txt "changed \"text\"")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
if(NOT out MATCHES "Embedding data/hello.txt" OR out MATCHES "Embedding data/1-blob")
  message(FATAL_ERROR "only the changed input must be embedded again:\n${out}")
endif()
check_program()
