# Provides the target cryptel_gcrypt for libgcrypt. The native build asks
# pkg-config; a cross build (MinGW-w64 with Debian's libgcrypt-mingw-w64-dev)
# must not, because the host's pkg-config answers with the host's paths, so it
# searches the toolchain's find root instead.
if(TARGET cryptel_gcrypt)
  return()
endif()

add_library(cryptel_gcrypt INTERFACE)

if(NOT CMAKE_CROSSCOMPILING)
  find_package(PkgConfig QUIET)
  if(PKG_CONFIG_FOUND)
    pkg_check_modules(CRYPTEL_GCRYPT QUIET IMPORTED_TARGET GLOBAL libgcrypt>=1.8)
  endif()
endif()

if(CRYPTEL_GCRYPT_FOUND)
  target_link_libraries(cryptel_gcrypt INTERFACE PkgConfig::CRYPTEL_GCRYPT)
else()
  find_path(CRYPTEL_GCRYPT_INCLUDE_DIR gcrypt.h)
  find_library(CRYPTEL_GCRYPT_LIBRARY NAMES gcrypt libgcrypt)
  # Only a static libgcrypt needs it named, but naming it is harmless otherwise.
  find_library(CRYPTEL_GPG_ERROR_LIBRARY NAMES gpg-error libgpg-error)
  if(NOT CRYPTEL_GCRYPT_INCLUDE_DIR OR NOT CRYPTEL_GCRYPT_LIBRARY)
    message(FATAL_ERROR
      "libgcrypt was not found. Install libgcrypt20-dev, or libgcrypt-mingw-w64-dev "
      "when cross-building for Windows, or point CRYPTEL_GCRYPT_INCLUDE_DIR and "
      "CRYPTEL_GCRYPT_LIBRARY at it.")
  endif()
  target_include_directories(cryptel_gcrypt INTERFACE ${CRYPTEL_GCRYPT_INCLUDE_DIR})
  target_link_libraries(cryptel_gcrypt INTERFACE ${CRYPTEL_GCRYPT_LIBRARY})
  if(CRYPTEL_GPG_ERROR_LIBRARY)
    target_link_libraries(cryptel_gcrypt INTERFACE ${CRYPTEL_GPG_ERROR_LIBRARY})
  endif()
endif()
