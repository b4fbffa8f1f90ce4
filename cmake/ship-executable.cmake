# Makes a linked executable the one that ships; run after every link of photavian-setup, and by the
# signing test on a copy.
#
#   cmake -DEXE=<file> [-DLOAD_CONFIG=1 -DNM=<nm> -DPERL=<perl>] [-DSPLIT_DEBUG=1 -DOBJCOPY=<objcopy>]
#         [-DSIGNTOOL=<osslsigncode> -DCERT=<file> -DKEY=<file> [-DPASSWORD_FILE=<file>]
#          [-DTIMESTAMP_URL=<url>] -DDESCRIPTION=<text>]
#         -P ship-executable.cmake
#
# LOAD_CONFIG: the load-configuration directory is pointed at the executable's _load_config_used
# record (set-load-config.pl), which GNU ld leaves undone; first, while the symbols are there.
# SPLIT_DEBUG: the debug information goes into <file>.debug, and the executable keeps no symbols,
# only a debug link (the debug file's name and CRC) through which a debugger finds them.
# SIGNTOOL: signs the executable (Authenticode, SHA-256) with the certificate and key, under the
# description that the platform shows for it, time-stamped when a server is given. Signing comes
# last: any later change to the file would break the signature.
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

if(LOAD_CONFIG)
  if(NOT NM OR NOT PERL)
    message(FATAL_ERROR "ship-executable: no nm or perl to point the load configuration directory with")
  endif()
  run_step("pointing the load configuration directory of ${EXE}" ${PERL} ${CMAKE_CURRENT_LIST_DIR}/set-load-config.pl
           ${NM} "${EXE}" "${EXE}.tmp")
  file(RENAME "${EXE}.tmp" "${EXE}")
endif()

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

if(SIGNTOOL)
  if(NOT CERT OR NOT KEY OR NOT DESCRIPTION)
    message(FATAL_ERROR "ship-executable: signing needs CERT, KEY and DESCRIPTION")
  endif()
  set(options -certs "${CERT}" -key "${KEY}" -h sha256 -n "${DESCRIPTION}")
  if(PASSWORD_FILE)
    list(APPEND options -readpass "${PASSWORD_FILE}")
  endif()
  if(TIMESTAMP_URL)
    list(APPEND options -ts "${TIMESTAMP_URL}")
  endif()
  file(REMOVE "${EXE}.tmp")
  run_step("signing ${EXE}" ${SIGNTOOL} sign ${options} -in "${EXE}" -out "${EXE}.tmp")
  file(RENAME "${EXE}.tmp" "${EXE}")
endif()
