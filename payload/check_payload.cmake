# Checks the default payload archive against what setup and its tests rely on, by reading the
# ZIP central directory:
#   - 41 entries with unique, printable 8-bit names separated by '/';
#   - folder entries (names ending in '/') stored and empty, every file deflated, nothing
#     encrypted, no name flagged as UTF-8;
#   - every folder listed before the entries inside it;
#   - the names other parts of setup use: the viewer, the uninstaller, the help and text files,
#     Plugins/Icons.dll and the four toolbar skins;
#   - Plugins/Icons.dll not 226816 bytes long (the size that lets a second installation replace
#     an installed library of the same version);
#   - with an entry time given, every entry carries exactly that time.
#
# Included by make_payload.cmake, or on its own:
#   cmake -DARCHIVE=payload.zip [-DENTRY_TIME="YYYY-MM-DD hh:mm:ss"] -P check_payload.cmake
cmake_minimum_required(VERSION 3.25)

set(PAYLOAD_ENTRY_COUNT 41)
set(PAYLOAD_REQUIRED_NAMES
  ph_tav64.exe pt_uninstall.exe ph_tav32.chm
  p_about.txt p_changes.txt p_languages.txt p_options.txt p_plugins.txt
  Plugins/ Plugins/Icons.dll
  Toolbars/ Toolbars/gnome-colors-human_48.png Toolbars/gnome-colors-wise_32.png
  Toolbars/Halvint_24.png Toolbars/Tessor_16.png)
set(PAYLOAD_REPLACEABLE_ICONS_SIZE 226816)

# Value of a little-endian field: offset and length in bytes into a hex dump.
function(_payload_field hex offset length out)
  math(EXPR start "${offset} * 2")
  math(EXPR last "${length} - 1")
  set(value "")
  foreach(i RANGE ${last})
    math(EXPR at "${start} + ${i} * 2")
    string(SUBSTRING "${hex}" ${at} 2 byte)
    string(PREPEND value "${byte}")
  endforeach()
  math(EXPR value "0x${value}")
  set(${out} ${value} PARENT_SCOPE)
endfunction()

# Text of a name from its hex dump; empty when a byte is a control character, a backslash or a
# ';' (which would split a CMake list).
function(_payload_name hex out)
  string(LENGTH "${hex}" length)
  math(EXPR last "${length} / 2 - 1")
  set(text "")
  foreach(i RANGE ${last})
    math(EXPR at "${i} * 2")
    string(SUBSTRING "${hex}" ${at} 2 byte)
    math(EXPR code "0x${byte}")
    if(code LESS 32 OR code EQUAL 127 OR code EQUAL 92 OR code EQUAL 59)
      set(${out} "" PARENT_SCOPE)
      return()
    endif()
    string(ASCII ${code} char)
    string(APPEND text "${char}")
  endforeach()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(check_payload archive entry_time)
  set(errors "")

  set(want_dos_time "")
  if(NOT entry_time STREQUAL "")
    if(NOT entry_time MATCHES "^([0-9]+)-([0-9]+)-([0-9]+) ([0-9]+):([0-9]+):([0-9]+)$")
      message(FATAL_ERROR "check_payload: bad entry time \"${entry_time}\"")
    endif()
    math(EXPR want_dos_date "((${CMAKE_MATCH_1} - 1980) << 9) | (${CMAKE_MATCH_2} << 5) | ${CMAKE_MATCH_3}")
    math(EXPR want_dos_time "(${CMAKE_MATCH_4} << 11) | (${CMAKE_MATCH_5} << 5) | (${CMAKE_MATCH_6} / 2)")
  endif()

  # End of central directory record, at the very end of an archive without comment.
  file(SIZE "${archive}" size)
  if(size LESS 22)
    message(FATAL_ERROR "check_payload: ${archive} is not a ZIP archive")
  endif()
  math(EXPR eocd_offset "${size} - 22")
  file(READ "${archive}" eocd OFFSET ${eocd_offset} LIMIT 22 HEX)
  if(NOT eocd MATCHES "^504b0506")
    message(FATAL_ERROR "check_payload: ${archive} has no end record where expected (not a ZIP archive, or one with a comment)")
  endif()
  _payload_field("${eocd}" 10 2 count)
  _payload_field("${eocd}" 12 4 cd_size)
  _payload_field("${eocd}" 16 4 cd_offset)
  if(NOT count EQUAL PAYLOAD_ENTRY_COUNT)
    list(APPEND errors "${count} entries instead of ${PAYLOAD_ENTRY_COUNT}")
  endif()

  file(READ "${archive}" cd OFFSET ${cd_offset} LIMIT ${cd_size} HEX)
  set(names "")
  set(pos 0)
  foreach(index RANGE 1 ${count})
    math(EXPR hex_pos "${pos} * 2")
    string(SUBSTRING "${cd}" ${hex_pos} -1 rest)
    if(NOT rest MATCHES "^504b0102")
      list(APPEND errors "central directory damaged at entry ${index}")
      break()
    endif()
    _payload_field("${rest}" 8 2 flags)
    _payload_field("${rest}" 10 2 method)
    _payload_field("${rest}" 12 2 dos_time)
    _payload_field("${rest}" 14 2 dos_date)
    _payload_field("${rest}" 24 4 file_size)
    _payload_field("${rest}" 28 2 name_length)
    _payload_field("${rest}" 30 2 extra_length)
    _payload_field("${rest}" 32 2 comment_length)
    math(EXPR name_hex_length "${name_length} * 2")
    string(SUBSTRING "${rest}" 92 ${name_hex_length} name_hex)
    _payload_name("${name_hex}" name)
    math(EXPR pos "${pos} + 46 + ${name_length} + ${extra_length} + ${comment_length}")

    if(name STREQUAL "")
      list(APPEND errors "entry ${index}: empty name, or a control character, backslash or ';' in it")
      continue()
    endif()
    if(name IN_LIST names)
      list(APPEND errors "${name}: listed twice")
    endif()
    math(EXPR encrypted "${flags} & 1")
    math(EXPR utf8_name "${flags} & 2048")
    if(NOT encrypted EQUAL 0)
      list(APPEND errors "${name}: encrypted")
    endif()
    if(NOT utf8_name EQUAL 0)
      list(APPEND errors "${name}: name flagged as UTF-8")
    endif()
    if(name MATCHES "/$")
      if(NOT method EQUAL 0 OR NOT file_size EQUAL 0)
        list(APPEND errors "${name}: folder entry not stored and empty")
      endif()
    elseif(NOT method EQUAL 8)
      list(APPEND errors "${name}: not deflated (method ${method})")
    endif()
    if(name MATCHES "^(.+/)[^/]+/?$")
      set(folder "${CMAKE_MATCH_1}")
      if(NOT folder IN_LIST names)
        list(APPEND errors "${name}: its folder ${folder} is not listed before it")
      endif()
    endif()
    if(NOT want_dos_time STREQUAL "" AND (NOT dos_time EQUAL want_dos_time OR NOT dos_date EQUAL want_dos_date))
      list(APPEND errors "${name}: time is not ${entry_time}")
    endif()
    if(name STREQUAL "Plugins/Icons.dll" AND file_size EQUAL PAYLOAD_REPLACEABLE_ICONS_SIZE)
      list(APPEND errors "${name}: ${file_size} bytes, the size of a replaceable installed library")
    endif()
    list(APPEND names "${name}")
  endforeach()

  foreach(required IN LISTS PAYLOAD_REQUIRED_NAMES)
    if(NOT required IN_LIST names)
      list(APPEND errors "${required}: missing")
    endif()
  endforeach()

  if(errors)
    list(JOIN errors "\n  " text)
    message(FATAL_ERROR "check_payload: ${archive} is not a valid default payload:\n  ${text}")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  if(NOT DEFINED ARCHIVE)
    message(FATAL_ERROR "check_payload: ARCHIVE is not set")
  endif()
  if(NOT DEFINED ENTRY_TIME)
    set(ENTRY_TIME "")
  endif()
  check_payload("${ARCHIVE}" "${ENTRY_TIME}")
endif()
