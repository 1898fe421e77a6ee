# What the 32-bit and 64-bit MinGW-w64 toolchain files share; they set
# CMAKE_SYSTEM_PROCESSOR, CARDFMT_MINGW_TRIPLET and CARDFMT_WINE_NAMES first.
# The -posix variant: std::thread, std::mutex and std::condition_variable, which
# the receive worker and the events are built on, need its winpthreads threading
# model (the -win32 variant of GCC 12 has no std::thread).
set(CMAKE_C_COMPILER ${CARDFMT_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CARDFMT_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${CARDFMT_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CARDFMT_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs and DLLs carry the compiler's runtime (libgcc, libstdc++, winpthread)
# inside, so an operator's desk needs no compiler DLLs. libgcrypt stays a DLL
# (libgcrypt-20.dll, libgpg-error-0.dll beside the programs): it is LGPL, and a
# DLL keeps it replaceable. Its import library is named by full path, which
# -static does not turn into the static archive.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Windows 7 SP1 is the oldest desk: its API is all the headers offer, and anything
# newer is reached through GetProcAddress with a fallback (scripts/release-windows
# checks every imported function against what Windows 7 lacks).
add_compile_definitions(_WIN32_WINNT=0x0601 WIN32_LEAN_AND_MEAN NOMINMAX)

# Tests (ctest, gtest discovery) run the programs under wine when it is there.
find_program(CARDFMT_WINE NAMES ${CARDFMT_WINE_NAMES} PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT CARDFMT_WINE)
  find_program(CARDFMT_WINE NAMES ${CARDFMT_WINE_NAMES})
endif()
# A wine that is installed may still not run here: a 32-bit wine on a machine whose
# kernel runs no 32-bit programs. The programs are then built but not run.
if(CARDFMT_WINE AND NOT DEFINED CARDFMT_WINE_RUNS)
  execute_process(COMMAND ${CARDFMT_WINE} --version RESULT_VARIABLE _cardfmt_wine_result
                  OUTPUT_QUIET ERROR_QUIET TIMEOUT 60)
  if(_cardfmt_wine_result EQUAL 0)
    set(CARDFMT_WINE_RUNS ON CACHE BOOL "The wine found can run this build's programs")
  else()
    set(CARDFMT_WINE_RUNS OFF CACHE BOOL "The wine found can run this build's programs")
  endif()
endif()
if(CARDFMT_WINE AND CARDFMT_WINE_RUNS)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CARDFMT_WINE})
endif()
