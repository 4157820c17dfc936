# SPDX-License-Identifier: MIT
# The fuzz smoke run of the ordinary test run: `cmake -DMODE=build|run ... -P fuzz/Smoke.cmake`.
#
#   MODE=build   configures SOURCE_DIR in BINARY_DIR with clang and the fuzzers on (as the fuzz
#                preset does) and builds TARGETS; prints "fuzz smoke skipped" when clang or its
#                libFuzzer runtime is missing, so that CTest reports the tests as skipped.
#   MODE=run     runs FUZZER for SECONDS seconds over a scratch copy of fuzz/corpus/CORPUS. A
#                crash fails the test; its input is kept in BINARY_DIR/crashes/.
cmake_minimum_required(VERSION 3.25)

if(MODE STREQUAL "build")
  file(REMOVE ${BINARY_DIR}/built)
  find_program(_clangxx NAMES clang++)
  find_program(_clang NAMES clang)
  if(NOT _clangxx OR NOT _clang)
    message("fuzz smoke skipped: no clang")
    return()
  endif()
  # libFuzzer comes with clang's runtime package; without it nothing here can link.
  file(MAKE_DIRECTORY ${BINARY_DIR})
  file(WRITE ${BINARY_DIR}/probe.cpp
    "#include <cstddef>\n#include <cstdint>\n"
    "extern \"C\" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }\n")
  execute_process(COMMAND ${_clangxx} -fsanitize=fuzzer,address,undefined
                          ${BINARY_DIR}/probe.cpp -o ${BINARY_DIR}/probe
                  RESULT_VARIABLE _probe OUTPUT_QUIET ERROR_QUIET)
  if(NOT _probe EQUAL 0)
    message("fuzz smoke skipped: clang cannot link libFuzzer (install libclang-rt-dev)")
    return()
  endif()
  if(NOT EXISTS ${BINARY_DIR}/CMakeCache.txt)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BINARY_DIR} -G Ninja
              -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=${_clang}
              -DCMAKE_CXX_COMPILER=${_clangxx} -DVELDRANT_BUILD_FUZZ=ON
              -DVELDRANT_BUILD_GUI=OFF -DVELDRANT_BUILD_BENCH=OFF -DVELDRANT_BUILD_TESTS=OFF
      RESULT_VARIABLE _configured)
    if(NOT _configured EQUAL 0)
      file(REMOVE ${BINARY_DIR}/CMakeCache.txt)
      message(FATAL_ERROR "configuring the fuzz build failed")
    endif()
  endif()
  string(REPLACE "," ";" _targets "${TARGETS}")
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY_DIR} --target ${_targets}
                  RESULT_VARIABLE _built)
  if(NOT _built EQUAL 0)
    message(FATAL_ERROR "building the fuzzers failed")
  endif()
  file(WRITE ${BINARY_DIR}/built "${TARGETS}\n")
  return()
endif()

if(MODE STREQUAL "run")
  if(NOT EXISTS ${BINARY_DIR}/built)
    message("fuzz smoke skipped: the fuzzers were not built")
    return()
  endif()
  set(_scratch ${BINARY_DIR}/scratch/${FUZZER})
  file(REMOVE_RECURSE ${_scratch})
  file(MAKE_DIRECTORY ${_scratch} ${BINARY_DIR}/crashes)
  execute_process(
    COMMAND ${BINARY_DIR}/fuzz/${FUZZER} -max_total_time=${SECONDS} -timeout=10
            -rss_limit_mb=2048 -print_final_stats=1
            -artifact_prefix=${BINARY_DIR}/crashes/${FUZZER}-
            ${_scratch} ${SOURCE_DIR}/fuzz/corpus/${CORPUS}
    RESULT_VARIABLE _ran)
  if(NOT _ran EQUAL 0)
    message(FATAL_ERROR "${FUZZER} found a crash: its input is in ${BINARY_DIR}/crashes/; "
                        "fix the fault and keep the input in fuzz/corpus/${CORPUS}/")
  endif()
  return()
endif()

message(FATAL_ERROR "MODE must be build or run")
