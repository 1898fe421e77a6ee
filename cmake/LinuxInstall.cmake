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

# --- desktop integration of the window program --------------------------------------
set(CARDFMT_HOMEPAGE_URL "https://example.org/cardfmt" CACHE STRING
  "The project's web address; the AppStream metainfo points at it and at its screenshot")
set(_cardfmt_linux ${PROJECT_SOURCE_DIR}/packaging/linux)
if(TARGET cardfmt-gui)
  configure_file(${_cardfmt_linux}/org.cardfmt.cardfmt.metainfo.xml.in
    ${CMAKE_CURRENT_BINARY_DIR}/packaging/org.cardfmt.cardfmt.metainfo.xml @ONLY)
  install(FILES ${_cardfmt_linux}/org.cardfmt.cardfmt.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/org.cardfmt.cardfmt.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${_cardfmt_linux}/icons/cardfmt.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(DIRECTORY ${_cardfmt_linux}/icons/hicolor/
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
endif()

# --- manual pages, made from the programs' own --help ----------------------------------
option(CARDFMT_BUILD_MANPAGES "Make and install the manual pages (needs help2man)" OFF)
if(CARDFMT_BUILD_MANPAGES AND NOT CMAKE_CROSSCOMPILING)
  find_program(CARDFMT_HELP2MAN help2man)
  if(NOT CARDFMT_HELP2MAN)
    message(FATAL_ERROR "CARDFMT_BUILD_MANPAGES needs help2man (apt-get install help2man).")
  endif()
  set(_cardfmt_man_cardfmt "format water-control IC cards on a serial card reader")
  set(_cardfmt_man_cardfmt-gui "the window for formatting water-control IC cards")
  set(_cardfmt_man_cardfmt-sim "a simulated card reader on a pseudo-terminal")
  set(_cardfmt_man_cardfmt-keytool "make and check the sector key tokens of an installation")
  set(_cardfmt_pages)
  foreach(_program cardfmt cardfmt-gui cardfmt-sim cardfmt-keytool)
    if(NOT TARGET ${_program})
      continue()
    endif()
    set(_page ${CMAKE_CURRENT_BINARY_DIR}/man/${_program}.1)
    add_custom_command(OUTPUT ${_page}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
      COMMAND ${_cardfmt_linux}/man/make-manpage $<TARGET_FILE:${_program}> ${_program}
              ${PROJECT_VERSION} "${_cardfmt_man_${_program}}"
              ${_cardfmt_linux}/man/${_program}.h2m ${_page}
      DEPENDS ${_program} ${_cardfmt_linux}/man/make-manpage ${_cardfmt_linux}/man/${_program}.h2m
      COMMENT "Manual page ${_program}(1)"
      VERBATIM)
    list(APPEND _cardfmt_pages ${_page})
  endforeach()
  add_custom_target(cardfmt_manpages ALL DEPENDS ${_cardfmt_pages})
  install(FILES ${_cardfmt_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
