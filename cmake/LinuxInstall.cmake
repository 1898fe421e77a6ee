# Where `cmake --install` puts the programs on Linux and other Unix systems:
# the four programs in the binary folder, the key library in a folder of its own
# (no other program is meant to load it), found by a run path relative to the
# program, so the installed tree still works after it was moved elsewhere.
#
# Included from the top level after every module, so the modules themselves stay
# free of installation details.
if(WIN32)
  return()
endif()

set(CARDFMT_INSTALL_PRIVATE_LIBDIR "${CMAKE_INSTALL_LIBDIR}/cardfmt" CACHE STRING
  "Folder (relative to the prefix) for the key library, which only cardfmt's programs load")

# The run path from the binary folder to the private library folder, as $ORIGIN/...
if(IS_ABSOLUTE "${CMAKE_INSTALL_BINDIR}" OR IS_ABSOLUTE "${CARDFMT_INSTALL_PRIVATE_LIBDIR}")
  message(FATAL_ERROR "CMAKE_INSTALL_BINDIR and CARDFMT_INSTALL_PRIVATE_LIBDIR must be relative "
    "to the prefix, or the installed programs could not be moved.")
endif()
file(RELATIVE_PATH _cardfmt_bin_to_lib
  "/prefix/${CMAKE_INSTALL_BINDIR}" "/prefix/${CARDFMT_INSTALL_PRIVATE_LIBDIR}")
set(CARDFMT_INSTALL_RPATH "$ORIGIN/${_cardfmt_bin_to_lib}")

# The programs that load the key library carry the run path; the others need none.
set(_cardfmt_key_library_users cardfmt cardfmt-gui)
foreach(_program cardfmt cardfmt-gui cardfmt-sim cardfmt-keytool)
  if(NOT TARGET ${_program})
    continue()
  endif()
  if(_program IN_LIST _cardfmt_key_library_users)
    set_target_properties(${_program} PROPERTIES INSTALL_RPATH "${CARDFMT_INSTALL_RPATH}")
  endif()
  install(TARGETS ${_program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()

install(TARGETS Cryptel LIBRARY DESTINATION ${CARDFMT_INSTALL_PRIVATE_LIBDIR})
