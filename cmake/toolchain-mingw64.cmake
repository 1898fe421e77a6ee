# Cross-builds cardfmt for 64-bit Windows on Debian with MinGW-w64:
#   cmake --preset mingw64          (into build-mingw/; CMakePresets.json)
# Needs g++-mingw-w64-x86-64-posix and libgcrypt-mingw-w64-dev; tests run under
# wine when it is installed. cmake/toolchain-mingw32.cmake is the 32-bit twin.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CARDFMT_MINGW_TRIPLET x86_64-w64-mingw32)
# Debian's wine64 loader first: the "wine" wrapper asks for a 32-bit wine on
# stderr at every run when only the 64-bit one is installed.
set(CARDFMT_WINE_NAMES wine64 wine)

include(${CMAKE_CURRENT_LIST_DIR}/MingwCommon.cmake)
