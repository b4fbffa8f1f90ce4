# Cross-compiles for 64-bit Windows with Debian's clang and lld, against the MinGW-w64 headers and
# libraries and the C++ runtime (libstdc++, posix thread model) that g++-mingw-w64 installs; the
# second compiler that keeps the code portable. Resources are compiled by MinGW-w64's windres, and
# archives and debug files are made by its binutils, which read clang's objects. Target programs
# run through Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PHOTAVIAN_TARGET_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${PHOTAVIAN_TARGET_TRIPLE})
set(CMAKE_CXX_COMPILER_TARGET ${PHOTAVIAN_TARGET_TRIPLE})
set(CMAKE_RC_COMPILER ${PHOTAVIAN_TARGET_TRIPLE}-windres)
set(CMAKE_AR /usr/bin/${PHOTAVIAN_TARGET_TRIPLE}-ar)
set(CMAKE_RANLIB /usr/bin/${PHOTAVIAN_TARGET_TRIPLE}-ranlib)
set(CMAKE_OBJCOPY /usr/bin/${PHOTAVIAN_TARGET_TRIPLE}-objcopy)
set(CMAKE_STRIP /usr/bin/${PHOTAVIAN_TARGET_TRIPLE}-strip)
set(CMAKE_NM /usr/bin/${PHOTAVIAN_TARGET_TRIPLE}-nm)
set(CMAKE_OBJDUMP /usr/bin/${PHOTAVIAN_TARGET_TRIPLE}-objdump)
set(CMAKE_ADDR2LINE /usr/bin/${PHOTAVIAN_TARGET_TRIPLE}-addr2line)

# clang looks for the MinGW-w64 GCC's C++ headers and libraries in lib/gcc/<triple>/<version>, but
# cannot read Debian's version folder name "12-posix" as a version and so finds neither: name
# them. The posix model's runtime needs winpthreads, which GCC's own driver adds by itself.
file(GLOB PHOTAVIAN_MINGW_GCC_DIRS LIST_DIRECTORIES true /usr/lib/gcc/${PHOTAVIAN_TARGET_TRIPLE}/*-posix)
list(SORT PHOTAVIAN_MINGW_GCC_DIRS COMPARE NATURAL ORDER DESCENDING)
list(GET PHOTAVIAN_MINGW_GCC_DIRS 0 PHOTAVIAN_MINGW_GCC_DIR)
if(NOT EXISTS ${PHOTAVIAN_MINGW_GCC_DIR}/include/c++)
  message(FATAL_ERROR "No MinGW-w64 GCC (posix) C++ runtime in /usr/lib/gcc/${PHOTAVIAN_TARGET_TRIPLE}: run tools/setup.sh")
endif()
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES
  ${PHOTAVIAN_MINGW_GCC_DIR}/include/c++
  ${PHOTAVIAN_MINGW_GCC_DIR}/include/c++/${PHOTAVIAN_TARGET_TRIPLE}
  ${PHOTAVIAN_MINGW_GCC_DIR}/include/c++/backward)
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-fuse-ld=lld -L${PHOTAVIAN_MINGW_GCC_DIR}")
endforeach()
set(CMAKE_C_STANDARD_LIBRARIES "-lpthread")
set(CMAKE_CXX_STANDARD_LIBRARIES "-lpthread")

set(CMAKE_FIND_ROOT_PATH /usr/${PHOTAVIAN_TARGET_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh)
