# The installation's key name and the tokens of its two sector keys. Only
# tokens belong here: the plain keys are turned into tokens once, with
# cardfmt-keytool, and are never written into the build.
# The defaults are demo keys, for development and the simulated reader only.
set(_cryptel_demo_name "CFMT01")
set(_cryptel_demo_tokens "7EA27025B2B633,B6F14F51FE789E")
# The demo keys' check value (cardfmt-keytool --key-check): what a cross build
# that cannot run its keytool builds in; every build that can run it compares.
set(_cryptel_demo_check "2F029905")
set(CARDFMT_KEY_NAME "${_cryptel_demo_name}" CACHE STRING
  "Key name (6 characters) under which the sector key tokens decipher")
set(CARDFMT_KEY_TOKENS "${_cryptel_demo_tokens}" CACHE STRING
  "Sector 5 and sector 6 key tokens, 14 hex digits each, separated by one comma")

string(LENGTH "${CARDFMT_KEY_NAME}" _cryptel_name_length)
# Quotes and backslashes would have to be escaped in the generated C++ text;
# spaces and control characters are too easy to get wrong when typed elsewhere.
if(NOT _cryptel_name_length EQUAL 6
   OR NOT CARDFMT_KEY_NAME MATCHES "^[!-~]+$"
   OR CARDFMT_KEY_NAME MATCHES "[\"\\\\]")
  message(FATAL_ERROR
    "CARDFMT_KEY_NAME must be exactly 6 printable ASCII characters without "
    "spaces, quotes or backslashes; it is \"${CARDFMT_KEY_NAME}\".")
endif()

string(LENGTH "${CARDFMT_KEY_TOKENS}" _cryptel_tokens_length)
string(FIND "${CARDFMT_KEY_TOKENS}" "," _cryptel_comma)
# CMake regular expressions have no {n} repetition, so the length and the
# place of the comma pin the shape down.
if(NOT _cryptel_tokens_length EQUAL 29
   OR NOT _cryptel_comma EQUAL 14
   OR NOT CARDFMT_KEY_TOKENS MATCHES "^[0-9A-Fa-f]+,[0-9A-Fa-f]+$")
  message(FATAL_ERROR
    "CARDFMT_KEY_TOKENS must be two tokens of exactly 14 hexadecimal digits "
    "separated by one comma, sector 5 first (e.g. 0123456789ABCD,FEDCBA98765432); "
    "it is \"${CARDFMT_KEY_TOKENS}\". Make tokens with "
    "cardfmt-keytool --key-name NAME --key HEX12.")
endif()

string(TOUPPER "${CARDFMT_KEY_TOKENS}" CRYPTEL_INSTALL_TOKENS)
set(CRYPTEL_INSTALL_NAME "${CARDFMT_KEY_NAME}")

# Whether this build carries the demo keys: decided here alone. The programs ask
# InstallationKeysAreDemo(); scripts read CARDFMT_DEMO_KEYS from the cache.
if(CRYPTEL_INSTALL_NAME STREQUAL _cryptel_demo_name AND CRYPTEL_INSTALL_TOKENS STREQUAL _cryptel_demo_tokens)
  set(CARDFMT_DEMO_KEYS ON CACHE INTERNAL "The build carries the demo sector keys" FORCE)
  set(CRYPTEL_DEMO_KEYS true)
  set(CRYPTEL_KNOWN_CHECK "${_cryptel_demo_check}")
  message(WARNING
    "This build uses the demo sector keys (the defaults of CARDFMT_KEY_NAME and "
    "CARDFMT_KEY_TOKENS). Cards formatted with them are useless to a real "
    "installation. Set both to the installation's own (tokens made with "
    "cardfmt-keytool --key-name NAME --key HEX12).")
else()
  set(CARDFMT_DEMO_KEYS OFF CACHE INTERNAL "The build carries the demo sector keys" FORCE)
  set(CRYPTEL_DEMO_KEYS false)
  set(CRYPTEL_KNOWN_CHECK "")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/../InstallationKeyData.h.in
  ${CMAKE_CURRENT_BINARY_DIR}/generated/cryptel/InstallationKeyData.h @ONLY)
