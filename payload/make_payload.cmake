# Packs the default payload (cmake -P). Copies every entry of the manifest into a clean staging
# folder, gives all of them one fixed time and fixed permissions, zips them in manifest order and
# checks the result; ARCHIVE appears only when the check passed.
#
#   MANIFEST      lines "name=source" (a file) or "name/" (a folder), in archive order
#   STAGE         staging folder, emptied first; it keeps the packed files afterwards
#   ARCHIVE       the ZIP archive to make
#   ENTRY_TIME    "YYYY-MM-DD hh:mm:ss", the time of every entry
#   ZIP_PROGRAM   Info-ZIP's zip
#
# zip rather than "cmake -E tar": the latter walks folders in the file system's own order and
# records the owner's user and group ids, so its archives differ between machines.
cmake_minimum_required(VERSION 3.25)

foreach(var MANIFEST STAGE ARCHIVE ENTRY_TIME ZIP_PROGRAM)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "make_payload: ${var} is not set")
  endif()
endforeach()

file(STRINGS "${MANIFEST}" lines)
file(REMOVE_RECURSE "${STAGE}")
file(MAKE_DIRECTORY "${STAGE}")

set(names "")
foreach(line IN LISTS lines)
  if(line MATCHES "^([^=]+)=(.+)$")
    set(name "${CMAKE_MATCH_1}")
    # Fails when the entry's folder has not been listed before it.
    file(COPY_FILE "${CMAKE_MATCH_2}" "${STAGE}/${name}")
    file(CHMOD "${STAGE}/${name}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  elseif(line MATCHES "^[^=]+/$")
    set(name "${line}")
    file(MAKE_DIRECTORY "${STAGE}/${name}")
    file(CHMOD "${STAGE}/${name}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
                                              GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  else()
    message(FATAL_ERROR "make_payload: bad manifest line \"${line}\"")
  endif()
  list(APPEND names "${name}")
endforeach()

# zip writes the time as local time: make local time UTC for touch and zip alike. Its option
# variables in the environment would change the archive.
set(ENV{TZ} UTC)
unset(ENV{ZIP})
unset(ENV{ZIPOPT})

# After all copies: adding a file changes its folder's time.
execute_process(COMMAND touch -d "${ENTRY_TIME}" ${names}
                WORKING_DIRECTORY "${STAGE}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "make_payload: touch failed (${result})")
endif()

# -X leaves out the extra fields with owner ids and further time stamps. Without -r a folder
# argument adds the folder entry alone; entries follow the order of the arguments.
set(partial "${ARCHIVE}.part")
file(REMOVE "${partial}" "${ARCHIVE}")
execute_process(COMMAND "${ZIP_PROGRAM}" -X -q "${partial}" ${names}
                WORKING_DIRECTORY "${STAGE}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "make_payload: zip failed (${result})")
endif()

include("${CMAKE_CURRENT_LIST_DIR}/check_payload.cmake")
check_payload("${partial}" "${ENTRY_TIME}")
file(RENAME "${partial}" "${ARCHIVE}")
