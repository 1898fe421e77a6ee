# Cross-builds cardfmt for 64-bit Windows on Debian with MinGW-w64:
#   cmake -S . -B build-mingw -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake -DCARDFMT_BUILD_GUI=OFF
# Needs g++-mingw-w64-x86-64-posix and libgcrypt-mingw-w64-dev; tests run under
# wine when it is installed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CARDFMT_MINGW_TRIPLET x86_64-w64-mingw32)

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

# Nothing newer than the Windows 7 API is used, so the programs run there too.
add_compile_definitions(_WIN32_WINNT=0x0601 WIN32_LEAN_AND_MEAN NOMINMAX)

# Tests (ctest, gtest discovery) run the programs under wine when it is there.
# Debian's wine64 loader first: the "wine" wrapper asks for a 32-bit wine on
# stderr at every run when only the 64-bit one is installed.
find_program(CARDFMT_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(CARDFMT_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CARDFMT_WINE})
endif()
