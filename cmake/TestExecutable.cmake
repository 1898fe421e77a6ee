# cardfmt_add_test_executable(NAME [THREADED] SOURCES file... LIBRARIES lib...
#                             [PROPERTIES name value...])
#
# A GoogleTest program of the suite: its sources see the tree from the top, it
# links GoogleTest's main, and ctest lists each of its tests (PROPERTIES go to every
# one). THREADED labels them "threaded": tests that start threads or run the
# receive worker, the ones scripts/test runs under ThreadSanitizer (ctest -L threaded).
function(cardfmt_add_test_executable name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "THREADED" "" "SOURCES;LIBRARIES;PROPERTIES")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "cardfmt_add_test_executable(${name}): unknown arguments ${arg_UNPARSED_ARGUMENTS}")
  endif()
  add_executable(${name} ${arg_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${arg_LIBRARIES} GTest::gtest_main)
  set(properties ${arg_PROPERTIES})
  if(arg_THREADED)
    if("LABELS" IN_LIST properties)
      message(FATAL_ERROR "cardfmt_add_test_executable(${name}): THREADED and PROPERTIES LABELS together")
    endif()
    list(APPEND properties LABELS threaded)
  endif()
  if(properties)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${properties})
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
