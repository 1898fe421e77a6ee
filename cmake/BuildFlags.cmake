# Warnings and sanitizers for the project's own code: two interface targets that
# every library and program of this tree links (cardfmt_link_build_flags, called
# once at the end of the top level, walks them all). Code of other projects built
# alongside (GoogleTest in cross builds) keeps its own flags, and a toolchain file
# or a packager may still add theirs through CMAKE_<LANG>_FLAGS.
set(CARDFMT_SANITIZE "" CACHE STRING "Sanitizers to build with: address, thread or empty")
set_property(CACHE CARDFMT_SANITIZE PROPERTY STRINGS "" address thread)

add_library(cardfmt_warnings INTERFACE)
if(MSVC)
  # /utf-8: the sources hold Chinese texts in UTF-8.
  target_compile_options(cardfmt_warnings INTERFACE /W4 /utf-8)
else()
  target_compile_options(cardfmt_warnings INTERFACE -Wall -Wextra -Wpedantic)
endif()

# address means AddressSanitizer and UndefinedBehaviorSanitizer together.
add_library(cardfmt_sanitize INTERFACE)
if(CARDFMT_SANITIZE STREQUAL "address")
  target_compile_options(cardfmt_sanitize INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(cardfmt_sanitize INTERFACE -fsanitize=address,undefined)
elseif(CARDFMT_SANITIZE STREQUAL "thread")
  target_compile_options(cardfmt_sanitize INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(cardfmt_sanitize INTERFACE -fsanitize=thread)
elseif(NOT CARDFMT_SANITIZE STREQUAL "")
  message(FATAL_ERROR "CARDFMT_SANITIZE is '${CARDFMT_SANITIZE}'; it can be address, thread or empty.")
endif()

# Links the two into every library and program defined in DIR and the folders
# below it that belong to this source tree.
function(cardfmt_link_build_flags dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY|EXECUTABLE)$")
      target_link_libraries(${target} PRIVATE cardfmt_warnings cardfmt_sanitize)
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir IN LISTS subdirs)
    cmake_path(IS_PREFIX PROJECT_SOURCE_DIR "${subdir}" NORMALIZE inside)
    if(inside)
      cardfmt_link_build_flags(${subdir})
    endif()
  endforeach()
endfunction()
