# GoogleTest for a cross build: the host's libgtest cannot link into Windows
# programs, so Debian's GoogleTest sources (package googletest) are built with the
# cross compiler, unless the toolchain's root already holds a GoogleTest.
find_package(GTest QUIET)
if(NOT GTest_FOUND)
  set(CARDFMT_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
  if(NOT EXISTS ${CARDFMT_GTEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest was not found for the target; install the package googletest "
                        "(sources in /usr/src/googletest) or set CARDFMT_GTEST_SOURCE_DIR.")
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  # GoogleTest's threading on Windows is its own (Win32); it needs no pthread library.
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  add_subdirectory(${CARDFMT_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  # GoogleTest 1.11 and later name these targets themselves.
  if(NOT TARGET GTest::gtest_main)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
endif()
include(GoogleTest)
# Listing a program's tests means running it (under the emulator); done when ctest
# runs, it needs no emulator while building, and it runs in the test environment.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
