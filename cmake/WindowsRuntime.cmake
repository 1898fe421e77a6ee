# What the Windows programs need beside them at run time: libgcrypt's DLLs, which
# Cryptel.dll is linked against (the compiler's runtime is linked in statically by
# the toolchain). Copied into the programs' folder, which is what one ships.
if(NOT MINGW)
  return()
endif()
set(_cardfmt_runtime_dlls libgcrypt-20.dll libgpg-error-0.dll)
foreach(_dll IN LISTS _cardfmt_runtime_dlls)
  string(MAKE_C_IDENTIFIER "CARDFMT_DLL_${_dll}" _var)
  find_file(${_var} NAMES ${_dll} PATH_SUFFIXES bin)
  if(NOT ${_var})
    message(FATAL_ERROR "${_dll} was not found; install libgcrypt-mingw-w64-dev.")
  endif()
  file(COPY ${${_var}} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
endforeach()
