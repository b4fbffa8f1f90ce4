# Reads the version and the product's names from res/version.h, the one header that the code and
# the resources share, into variables of the same names (PH_VERSION_MAJOR, PH_COMPANY_NAME, ...):
# the project version, the generated manifest and the signature's description come from there too.
# Editing the header makes the build configure again.
set(PHOTAVIAN_VERSION_HEADER ${CMAKE_CURRENT_LIST_DIR}/../res/version.h)
file(STRINGS ${PHOTAVIAN_VERSION_HEADER} version_defines REGEX "^#define PH_[A-Z_]+ ")
foreach(line IN LISTS version_defines)
  if(line MATCHES "^#define (PH_[A-Z_]+) +\"([^\"]*)\"")
    set(${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
  elseif(line MATCHES "^#define (PH_[A-Z_]+) +([0-9]+)")
    set(${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
  endif()
endforeach()
foreach(name PH_VERSION_MAJOR PH_VERSION_MINOR PH_VERSION_TEXT PH_COMPANY_NAME PH_PRODUCT_NAME PH_PUBLISHER
             PH_SETUP_DESCRIPTION PH_SETUP_FILE_NAME PH_SETUP_ASSEMBLY_NAME)
  if(NOT DEFINED ${name})
    message(FATAL_ERROR "${PHOTAVIAN_VERSION_HEADER} defines no ${name}")
  endif()
endforeach()
# The text form is what "%d.%d" makes of the two numbers.
if(NOT PH_VERSION_TEXT STREQUAL "${PH_VERSION_MAJOR}.${PH_VERSION_MINOR}")
  message(FATAL_ERROR "${PHOTAVIAN_VERSION_HEADER}: PH_VERSION_TEXT \"${PH_VERSION_TEXT}\" is not "
                      "PH_VERSION_MAJOR.PH_VERSION_MINOR (${PH_VERSION_MAJOR}.${PH_VERSION_MINOR})")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PHOTAVIAN_VERSION_HEADER})
