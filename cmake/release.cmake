# What makes the shipped photavian-setup.exe release-grade: the same bytes from the same sources
# wherever and whenever it is built, its debug information in a file beside it, and an optional
# Authenticode signature.

# Optional signing: with a certificate and its key the build signs the executable after linking
# (and after stripping it); without them nothing is signed.
set(PHOTAVIAN_SIGNING_CERT "" CACHE FILEPATH
    "Authenticode certificate (PEM or DER, with its chain) to sign photavian-setup.exe with; empty: not signed")
set(PHOTAVIAN_SIGNING_KEY "" CACHE FILEPATH "Private key of the signing certificate (PEM or DER)")
set(PHOTAVIAN_SIGNING_PASSWORD_FILE "" CACHE FILEPATH "File holding the password of an encrypted key; empty: the key is not encrypted")
set(PHOTAVIAN_SIGNING_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time-stamp server for the signature; empty: no time stamp")

if(PHOTAVIAN_SIGNING_CERT OR PHOTAVIAN_SIGNING_KEY)
  if(NOT PHOTAVIAN_SIGNING_CERT OR NOT PHOTAVIAN_SIGNING_KEY)
    message(FATAL_ERROR "Signing needs both PHOTAVIAN_SIGNING_CERT and PHOTAVIAN_SIGNING_KEY")
  endif()
  foreach(file PHOTAVIAN_SIGNING_CERT PHOTAVIAN_SIGNING_KEY PHOTAVIAN_SIGNING_PASSWORD_FILE)
    if(${file} AND NOT EXISTS ${${file}})
      message(FATAL_ERROR "${file}: no such file: ${${file}}")
    endif()
  endforeach()
  find_program(PHOTAVIAN_OSSLSIGNCODE osslsigncode REQUIRED)
  set(PHOTAVIAN_SIGNING ON)
else()
  set(PHOTAVIAN_SIGNING OFF)
endif()

if(NOT MSVC)
  # No build folder in what the compiler writes (__FILE__, debug information): the source, build
  # and third-party folders are named by fixed stand-ins instead. Where one folder lies inside
  # another, the inner one's own name wins (GCC takes the last matching map, clang the longest).
  set(prefix_maps
    ${CMAKE_SOURCE_DIR}=/photavian-setup
    ${CMAKE_BINARY_DIR}=/photavian-setup-build
    ${PHOTAVIAN_DEPS_DIR}=/photavian-setup-deps)
  foreach(map IN LISTS prefix_maps)
    add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${map}>")
  endforeach()
endif()

# photavian_shipped_code(<target>...)
# Compiles the code of the shipped executable (photavian::shipped_code)
# - with debug information in every configuration, so that the Release executable has debug
#   information to split off;
# - with every function and datum in a section of its own, so that the link can leave out what
#   nothing uses;
# - without locks around the first use of local statics: the program runs on one thread, and the
#   runtime's lock would bring back the exception machinery that lean_runtime.cpp keeps out.
function(photavian_shipped_code)
  foreach(target IN LISTS ARGN)
    target_link_libraries(${target} PRIVATE photavian::shipped_code)
  endforeach()
endfunction()

# photavian_ship_executable(<target>)
# Links <target> without the sections that nothing uses. After every link its load-configuration
# directory points at its load configuration (GCC and clang builds; see set-load-config.pl). In the
# Release and MinSizeRel configurations, its debug information then goes into <file>.debug beside
# it and the executable keeps only a debug link to that file (name and CRC) and no symbols; then,
# when signing is configured, it is signed.
function(photavian_ship_executable target)
  set(split_debug 0)
  set(load_config_args "")
  target_link_libraries(${target} PRIVATE photavian::unused_sections_dropped)
  if(NOT MSVC)
    set(split_debug "$<CONFIG:Release,MinSizeRel>")
    find_program(PHOTAVIAN_PERL perl REQUIRED)
    set(load_config_args -DLOAD_CONFIG=1 -DNM=${CMAKE_NM} -DPERL=${PHOTAVIAN_PERL})
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/set-load-config.pl)
  endif()
  set(signing_args "")
  if(PHOTAVIAN_SIGNING)
    set(signing_args
      -DSIGNTOOL=${PHOTAVIAN_OSSLSIGNCODE}
      -DCERT=${PHOTAVIAN_SIGNING_CERT}
      -DKEY=${PHOTAVIAN_SIGNING_KEY}
      -DPASSWORD_FILE=${PHOTAVIAN_SIGNING_PASSWORD_FILE}
      -DTIMESTAMP_URL=${PHOTAVIAN_SIGNING_TIMESTAMP_URL}
      -DDESCRIPTION=${PH_SETUP_DESCRIPTION})
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DEXE=$<TARGET_FILE:${target}> ${load_config_args} -DSPLIT_DEBUG=${split_debug}
            -DOBJCOPY=${CMAKE_OBJCOPY} ${signing_args}
            -P ${PROJECT_SOURCE_DIR}/cmake/ship-executable.cmake
    VERBATIM)
  # A changed step links again, so that it runs.
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/ship-executable.cmake)
endfunction()
