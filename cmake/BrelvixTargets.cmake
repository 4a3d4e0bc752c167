# Compiler settings shared by every target, and the helpers that declare
# libraries and test binaries the same way in the native and the Windows build.

if(MSVC)
  add_compile_options(/W4 /WX /utf-8 /permissive-)
  add_compile_definitions(_CRT_SECURE_NO_WARNINGS UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN)
else()
  add_compile_options(-Wall -Wextra -Werror)
  if(WIN32)
    add_compile_definitions(UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN)
    # One self-contained .exe each: no MinGW runtime DLLs to find under Wine.
    add_link_options(-static -static-libgcc -static-libstdc++)
  endif()
endif()

if(BX_SANITIZE OR BX_FUZZ)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()
if(BX_FUZZ)
  # Every library a fuzzer links is instrumented for coverage too.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(WIN32 AND CMAKE_CROSSCOMPILING)
  # ctest runs the Windows binaries through Wine with a prefix of this build's own.
  set(BX_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE @ONLY)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
endif()

macro(bx_setup_gtest)
  if(WIN32)
    # Debian ships GoogleTest as sources; build them with this compiler.
    set(BX_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    add_subdirectory(${BX_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    if(NOT MSVC)
      # No debug information: nobody steps through the framework, and it
      # makes every static link of a test binary slower.
      target_compile_options(gtest PRIVATE -w -g0)
      target_compile_options(gtest_main PRIVATE -w -g0)
    endif()
  elseif(BX_TESTS_REQUIRED)
    find_package(GTest REQUIRED)
    include(GoogleTest)
  else()
    # The plain build (cmake -S . -B build) of someone who only installs the
    # command line needs no test framework.
    find_package(GTest QUIET)
    if(GTest_FOUND)
      include(GoogleTest)
    else()
      message(STATUS "GoogleTest not found: the tests are left out")
      set(BX_TESTS OFF)
    endif()
  endif()
endmacro()

# The test sources are compiled unoptimised and, in the optimised build types,
# without debug information: the code under test keeps its build type's flags,
# while GoogleTest's macros cost more to optimise than the cases take to run.
# Debug builds (the sanitizer run) keep line tables for their reports.
if(MSVC)
  set(BX_TEST_CODE_OPTIONS "")
else()
  set(BX_TEST_CODE_OPTIONS -O0 $<IF:$<CONFIG:Debug>,-g1,-g0>)
endif()

# GoogleTest's header, precompiled once with the test code's options and used
# by every test binary.
function(bx_add_test_pch)
  if(TARGET bx_test_pch OR MSVC)
    return()
  endif()
  file(WRITE ${CMAKE_BINARY_DIR}/bx_test_pch.cpp "// Only carries the precompiled header.\n")
  add_library(bx_test_pch OBJECT ${CMAKE_BINARY_DIR}/bx_test_pch.cpp)
  target_link_libraries(bx_test_pch PRIVATE GTest::gtest_main)
  target_compile_options(bx_test_pch PRIVATE ${BX_TEST_CODE_OPTIONS})
  target_precompile_headers(bx_test_pch PRIVATE <gtest/gtest.h>)
endfunction()

# Test code's compile options, and the shared precompiled header.
function(bx_test_code target)
  target_compile_options(${target} PRIVATE ${BX_TEST_CODE_OPTIONS})
  if(TARGET bx_test_pch)
    target_precompile_headers(${target} REUSE_FROM bx_test_pch)
  endif()
endfunction()

# bx_add_test(NAME SOURCES src... LIBS lib... [ENVIRONMENT VAR=value...] [TIMEOUT s])
# One executable. Natively every GoogleTest case becomes a ctest test; the
# Windows build runs the whole binary as one test under Wine, since starting a
# Wine process per case would cost more than the cases themselves.
function(bx_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} bx_test_support GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  bx_add_test_pch()
  bx_test_code(${name})
  if(WIN32)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${ARG_ENVIRONMENT}")
  else()
    gtest_discover_tests(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${ARG_ENVIRONMENT}"
                         DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

# bx_add_japanese_run(TEST [TIMEOUT s] [ENVIRONMENT VAR=value...])
# The Windows test binary TEST once more, as TEST_ja, under a Japanese locale,
# where Wine's ANSI code page is 932 (Wine follows LC_ALL; LANG alone does not
# switch it). Tests that read BX_EXPECT_ACP fail should the locale not take.
function(bx_add_japanese_run test)
  cmake_parse_arguments(ARG "" "TIMEOUT" "ENVIRONMENT" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  set(environment LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 BX_EXPECT_ACP=932 ${ARG_ENVIRONMENT})
  add_test(NAME ${test}_ja COMMAND ${test})
  set_tests_properties(${test}_ja PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${environment}")
endfunction()

# bx_add_library(NAME SOURCES src... [WIN32_SOURCES src...] [POSIX_SOURCES src...] LIBS lib...)
function(bx_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;WIN32_SOURCES;POSIX_SOURCES;LIBS" ${ARGN})
  set(sources ${ARG_SOURCES})
  if(WIN32)
    list(APPEND sources ${ARG_WIN32_SOURCES})
  else()
    list(APPEND sources ${ARG_POSIX_SOURCES})
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
endfunction()

# For executables whose entry point takes UTF-16 arguments (wmain, wWinMain).
function(bx_use_wide_entry target)
  if(WIN32 AND NOT MSVC)
    target_link_options(${target} PRIVATE -municode)
  endif()
endfunction()
