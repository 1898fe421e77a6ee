# Run as a script at build time (cmake -P): deciphers the installation's tokens
# with the keytool and writes InstallationKeyCheck.cpp, which gives the programs
# the keys' check value.
#   KEYTOOL     the keytool's command line (a list; may start with an emulator),
#               or empty where no keytool can run: KNOWN_CHECK is then used
#   KEY_NAME, KEY_TOKENS   as built in
#   KNOWN_CHECK the value already known for these tokens (the demo keys), or empty
#   OUTPUT      the source file to write
if(KEYTOOL)
  execute_process(COMMAND ${KEYTOOL} --key-check "${KEY_TOKENS}" --key-name "${KEY_NAME}"
    RESULT_VARIABLE _result OUTPUT_VARIABLE _check ERROR_VARIABLE _error
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  # An emulator may end its lines with CR.
  string(STRIP "${_check}" _check)
  if(NOT _result EQUAL 0 OR NOT _check MATCHES "^[0-9A-F]+$")
    message(FATAL_ERROR
      "The installation key tokens do not decipher under CARDFMT_KEY_NAME \"${KEY_NAME}\" "
      "(cardfmt-keytool --key-check: ${_result}):\n${_error}${_check}\n"
      "Make them with cardfmt-keytool --key-name NAME --key HEX12.")
  endif()
  if(KNOWN_CHECK AND NOT _check STREQUAL KNOWN_CHECK)
    message(FATAL_ERROR "The demo keys' check value is ${_check}, not ${KNOWN_CHECK} as "
      "cryptel/cmake/InstallationKeys.cmake says: the cipher or the check changed; update it there.")
  endif()
elseif(KNOWN_CHECK)
  set(_check "${KNOWN_CHECK}")
else()
  message(FATAL_ERROR "No keytool to run and no known check value for these tokens.")
endif()

set(_text "// Generated at build time from the installation's tokens; edit nothing here.
#include \"cryptel/InstallationKeyCheck.h\"

const char* InstallationKeyCheck() { return \"${_check}\"; }
")
# Written only when it changes, so that the programs are not linked again for nothing.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" _old)
  if(_old STREQUAL _text)
    file(TOUCH_NOCREATE "${OUTPUT}")
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${_text}")
