# Cross-builds cardfmt for 32-bit Windows (i686) on Debian with MinGW-w64:
#   cmake --preset mingw32          (into build-mingw32/; CMakePresets.json)
# Needs g++-mingw-w64-i686-posix and libgcrypt-mingw-w64-dev (it holds both
# architectures); tests run under a wine that runs 32-bit programs (wine32:i386).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CARDFMT_MINGW_TRIPLET i686-w64-mingw32)
# The 32-bit loader; in a 64-bit prefix it runs 32-bit programs in its WoW64 half.
set(CARDFMT_WINE_NAMES wine)

include(${CMAKE_CURRENT_LIST_DIR}/MingwCommon.cmake)
