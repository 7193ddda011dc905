# One helper per kind of target, so every target gets the same standard, warnings and sanitizer options.

set(FERRYWISE_SANITIZE "" CACHE STRING "Sanitizers to build with, e.g. address;undefined")

function(ferrywise_apply_options target)
  target_compile_features(${target} PUBLIC cxx_std_20)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # GCC 12 misreads Asio's coroutine frame allocator when optimising (GCC bug 109224) and reports a
    # mismatched new/delete that is not there.
    target_compile_options(${target} PRIVATE -Wno-mismatched-new-delete)
  endif()
  if(FERRYWISE_SANITIZE)
    list(JOIN FERRYWISE_SANITIZE "," sanitizers)
    target_compile_options(${target} PUBLIC -fsanitize=${sanitizers} -fno-omit-frame-pointer
                                            -fno-sanitize-recover=undefined)
    target_link_options(${target} PUBLIC -fsanitize=${sanitizers})
    if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND "undefined" IN_LIST FERRYWISE_SANITIZE)
      # Clang 14 cannot emit its function-type check for coroutine frames ("Cannot represent a difference
      # across sections"); the check only concerns calls through function pointers of the wrong type.
      target_compile_options(${target} PUBLIC -fno-sanitize=function)
    endif()
  endif()
  if(FERRYWISE_BUILD_FUZZERS)
    # Coverage instrumentation for the library too, so the fuzzers see the code they exercise.
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endfunction()

# ferrywise_library_part(<part> SOURCES ... [DEPENDS ...])
# Declares one part of the library (an object library under src/ferrywise/<part>/). The parts are linked
# together into the single `ferrywise` library, so parts may use each other freely.
function(ferrywise_library_part part)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  set(target ferrywise_${part})
  add_library(${target} OBJECT ${ARG_SOURCES})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${target} PUBLIC ${ARG_DEPENDS})
  set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  ferrywise_apply_options(${target})
  set_property(GLOBAL APPEND PROPERTY FERRYWISE_PARTS ${target})
endfunction()

# ferrywise_test(<name> SOURCES ... [DEPENDS ...] [LABELS ...])
# Declares one GoogleTest executable linked against the library and the test support code; every test
# case becomes a CTest test.
function(ferrywise_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ferrywise ferrywise_test_support GTest::gmock_main ${ARG_DEPENDS})
  ferrywise_apply_options(${name})
  gtest_discover_tests(${name}
    PROPERTIES LABELS "${ARG_LABELS}"
    DISCOVERY_TIMEOUT 60)
endfunction()

# ferrywise_benchmark(<name> SOURCES ...)
function(ferrywise_benchmark name)
  cmake_parse_arguments(ARG "" "" "SOURCES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ferrywise ferrywise_test_support benchmark::benchmark)
  ferrywise_apply_options(${name})
endfunction()

# ferrywise_fuzzer(<name> SOURCES ...): a libFuzzer target (clang only).
function(ferrywise_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ferrywise)
  ferrywise_apply_options(${name})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()
