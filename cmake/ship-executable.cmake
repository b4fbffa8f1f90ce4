# Makes a linked executable the one that ships; run after every link of photavian-setup.
#
#   cmake -DEXE=<file> [-DSPLIT_DEBUG=1 -DOBJCOPY=<objcopy>] -P ship-executable.cmake
#
# SPLIT_DEBUG: the debug information goes into <file>.debug, and the executable keeps no symbols,
# only a debug link (the debug file's name and CRC) through which a debugger finds them.
#
# Each step writes a new file and replaces the executable only when it succeeded; a failed step
# fails the build, which then removes the executable.

if(NOT EXE OR NOT EXISTS "${EXE}")
  message(FATAL_ERROR "ship-executable: no executable given or found: '${EXE}'")
endif()

function(run_step what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    file(REMOVE "${EXE}.tmp")
    message(FATAL_ERROR "ship-executable: ${what} failed (${status}):\n${output}")
  endif()
endfunction()

if(SPLIT_DEBUG)
  if(NOT OBJCOPY)
    message(FATAL_ERROR "ship-executable: no objcopy to split off the debug information with")
  endif()
  # objcopy stamps the PE headers it writes with the time, unless told a fixed one: the same as
  # the link's (none).
  set(ENV{SOURCE_DATE_EPOCH} 0)
  run_step("writing ${EXE}.debug" ${OBJCOPY} --only-keep-debug "${EXE}" "${EXE}.debug")
  run_step("stripping ${EXE}" ${OBJCOPY} --strip-all "--add-gnu-debuglink=${EXE}.debug" "${EXE}" "${EXE}.tmp")
  file(RENAME "${EXE}.tmp" "${EXE}")
endif()
