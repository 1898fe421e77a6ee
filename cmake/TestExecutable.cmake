# cardfmt_add_test_executable(NAME [THREADED [UNTHREADED_TESTS filter]]
#                             SOURCES file... LIBRARIES lib... [PROPERTIES name value...])
#
# A GoogleTest program of the suite: its sources see the tree from the top, it
# links GoogleTest's main, and ctest lists each of its tests (PROPERTIES go to every
# one). THREADED labels them "threaded": tests that start threads or run the
# receive worker, the ones scripts/test runs under ThreadSanitizer (ctest -L threaded);
# UNTHREADED_TESTS (a GoogleTest filter) names those of the program that start none.
function(cardfmt_add_test_executable name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "THREADED" "UNTHREADED_TESTS" "SOURCES;LIBRARIES;PROPERTIES")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "cardfmt_add_test_executable(${name}): unknown arguments ${arg_UNPARSED_ARGUMENTS}")
  endif()
  add_executable(${name} ${arg_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${arg_LIBRARIES} GTest::gtest_main)
  set(properties ${arg_PROPERTIES})
  if(NOT arg_THREADED)
    _cardfmt_discover_tests(${name} "" ${properties})
    return()
  endif()
  if("LABELS" IN_LIST properties)
    message(FATAL_ERROR "cardfmt_add_test_executable(${name}): THREADED and PROPERTIES LABELS together")
  endif()
  if(arg_UNTHREADED_TESTS)
    _cardfmt_discover_tests(${name} "${arg_UNTHREADED_TESTS}" ${properties})
    _cardfmt_discover_tests(${name} "-${arg_UNTHREADED_TESTS}" ${properties} LABELS threaded)
  else()
    _cardfmt_discover_tests(${name} "" ${properties} LABELS threaded)
  endif()
endfunction()

# _cardfmt_discover_tests(NAME FILTER [name value...]): the tests of NAME that
# FILTER selects (all when empty), with those properties.
function(_cardfmt_discover_tests name filter)
  set(args DISCOVERY_TIMEOUT 60)
  if(filter)
    list(APPEND args TEST_FILTER ${filter})
  endif()
  if(ARGN)
    list(APPEND args PROPERTIES ${ARGN})
  endif()
  gtest_discover_tests(${name} ${args})
endfunction()
