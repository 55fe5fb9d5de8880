# sorvel_add_fuzz_test(NAME FUZZER file SEEDS folder [DICT file] [SECONDS n] [MAX_LEN bytes]
#                      [SOURCES files...] [INCLUDE_DIRS folders...] [COMPILE_TARGETS targets...]
#                      [HEADER_TARGETS targets...] [LINK_TARGETS targets...])
#
# A ctest test that builds a libFuzzer program with clang++ at test time (as tags_fuzz does) and
# runs it for SECONDS over the SEEDS folder, with the words of DICT. The fuzzer and SOURCES are
# compiled with the .cpp files of COMPILE_TARGETS, so the code under test carries the
# sanitizers; HEADER_TARGETS only give include folders; LINK_TARGETS (such as Qt) are linked as
# they are installed.
#
# Included once, by testsupport/CMakeLists.txt; the function is then known in every folder added
# after it.

function(sorvel_add_fuzz_test name)
  cmake_parse_arguments(PARSE_ARGV 1 FUZZ "" "FUZZER;SEEDS;DICT;SECONDS;MAX_LEN"
                        "SOURCES;INCLUDE_DIRS;COMPILE_TARGETS;HEADER_TARGETS;LINK_TARGETS")
  if(NOT FUZZ_SECONDS)
    set(FUZZ_SECONDS 5)
  endif()
  if(NOT FUZZ_MAX_LEN)
    set(FUZZ_MAX_LEN 4096)
  endif()

  set(sources)
  foreach(source IN LISTS FUZZ_FUZZER FUZZ_SOURCES)
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
    list(APPEND sources ${source})
  endforeach()
  # This file's folder holds fuzz_support.h and the runner.
  set(support_dir ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
  set(includes ${CMAKE_CURRENT_SOURCE_DIR} ${support_dir} ${FUZZ_INCLUDE_DIRS})
  foreach(target IN LISTS FUZZ_COMPILE_TARGETS)
    get_target_property(target_sources ${target} SOURCES)
    get_target_property(target_dir ${target} SOURCE_DIR)
    foreach(source IN LISTS target_sources)
      if(source MATCHES "\\.(c|cc|cpp)$")
        cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${target_dir})
        list(APPEND sources ${source})
      endif()
    endforeach()
  endforeach()
  foreach(target IN LISTS FUZZ_COMPILE_TARGETS FUZZ_HEADER_TARGETS FUZZ_LINK_TARGETS)
    list(APPEND includes "$<TARGET_PROPERTY:${target},INTERFACE_INCLUDE_DIRECTORIES>")
  endforeach()
  set(libraries)
  foreach(target IN LISTS FUZZ_LINK_TARGETS)
    list(APPEND libraries "$<TARGET_FILE:${target}>")
  endforeach()
  cmake_path(ABSOLUTE_PATH FUZZ_SEEDS BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
  if(FUZZ_DICT)
    cmake_path(ABSOLUTE_PATH FUZZ_DICT BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
  endif()

  add_test(NAME ${name}
           COMMAND bash ${support_dir}/run_fuzzer.sh ${name} ${CMAKE_CURRENT_BINARY_DIR}/${name}
                   ${FUZZ_SECONDS} "$<JOIN:${sources},:>" "$<JOIN:${includes},:>"
                   "$<JOIN:${libraries},:>" ${FUZZ_SEEDS} ${FUZZ_MAX_LEN} "${FUZZ_DICT}")
  set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600 LABELS fuzz)
endfunction()
