# What makes the shipped photavian-setup.exe release-grade: the same bytes from the same sources
# wherever and whenever it is built, and its debug information in a file beside it.

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
# Compiles the code of the shipped executable
# - with debug information in every configuration, so that the Release executable has debug
#   information to split off;
# - with every function and datum in a section of its own, so that the link can leave out what
#   nothing uses;
# - without locks around the first use of local statics: the program runs on one thread, and the
#   runtime's lock would bring back the exception machinery that lean_runtime.cpp keeps out.
function(photavian_shipped_code)
  foreach(target IN LISTS ARGN)
    if(MSVC)
      target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:C,CXX>:/Gy;/Gw>"
                                               "$<$<COMPILE_LANGUAGE:CXX>:/Zc:threadSafeInit->")
    else()
      target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:C,CXX>:-g;-ffunction-sections;-fdata-sections>"
                                               "$<$<COMPILE_LANGUAGE:CXX>:-fno-threadsafe-statics>")
    endif()
  endforeach()
endfunction()

# photavian_ship_executable(<target>)
# Links <target> without the sections that nothing uses. After every link in the Release and
# MinSizeRel configurations, its debug information goes into <file>.debug beside it and the
# executable keeps only a debug link to that file (name and CRC) and no symbols.
function(photavian_ship_executable target)
  set(split_debug 0)
  if(NOT MSVC)
    target_link_options(${target} PRIVATE -Wl,--gc-sections)
    set(split_debug "$<CONFIG:Release,MinSizeRel>")
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DEXE=$<TARGET_FILE:${target}> -DSPLIT_DEBUG=${split_debug}
            -DOBJCOPY=${CMAKE_OBJCOPY}
            -P ${PROJECT_SOURCE_DIR}/cmake/ship-executable.cmake
    VERBATIM)
  # A changed step links again, so that it runs.
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/ship-executable.cmake)
endfunction()
