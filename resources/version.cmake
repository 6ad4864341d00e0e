# Reads resources/version.json, the one home of the program's version data,
# into CMake variables. The program's version block is generated from them;
# packaging and a resource compiler for another platform include this file
# too, so that every copy of the version says the same.
#
#   VELORWIND_FILE_VERSION, VELORWIND_PRODUCT_VERSION   "1.0.0.5"
#   VELORWIND_FILE_VERSION_PARTS, ..._PRODUCT_VERSION_PARTS   "1;0;0;5"
#   VELORWIND_FILE_FLAGS_MASK, _FILE_FLAGS, _FILE_OS, _FILE_TYPE, _FILE_SUBTYPE   "0x3F"...
#   VELORWIND_VERSION_LANGUAGE, VELORWIND_VERSION_CODE_PAGE   "0411", "04E4"
#   VELORWIND_VERSION_STRING_KEYS   the string entries' names, in file order
#   VELORWIND_VERSION_STRING_<name>   each entry's text

set(VELORWIND_VERSION_FILE ${CMAKE_CURRENT_LIST_DIR}/version.json)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${VELORWIND_VERSION_FILE})
file(READ ${VELORWIND_VERSION_FILE} _velorwind_version_json)

# _velorwind_version_field(OUT FIELD PATTERN [WHY]): WHY, when given, ends
# the message that refuses a malformed value.
function(_velorwind_version_field out_var field pattern)
  string(JSON value ERROR_VARIABLE error GET "${_velorwind_version_json}" ${field})
  if(error OR NOT value MATCHES "${pattern}")
    message(FATAL_ERROR "version.json: ${field} is missing or malformed: '${value}'${ARGN}")
  endif()
  set(${out_var} "${value}" PARENT_SCOPE)
endfunction()

# Four numbers are also always a valid Debian version, which the package takes.
set(_velorwind_version_form ". It must be four numbers joined by dots, as 1.0.0.5: the \
version block holds it so, and the Debian package takes it as its version.")
foreach(kind FILE PRODUCT)
  string(TOLOWER ${kind} prefix)
  _velorwind_version_field(VELORWIND_${kind}_VERSION ${prefix}Version
                           "^[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+$" "${_velorwind_version_form}")
  string(REPLACE "." ";" parts "${VELORWIND_${kind}_VERSION}")
  foreach(part IN LISTS parts)
    if(part GREATER 65535)
      message(FATAL_ERROR "version.json: ${prefix}Version part ${part} exceeds 16 bits")
    endif()
  endforeach()
  set(VELORWIND_${kind}_VERSION_PARTS "${parts}")
endforeach()

_velorwind_version_field(VELORWIND_FILE_FLAGS_MASK fileFlagsMask "^0x[0-9A-Fa-f]+$")
_velorwind_version_field(VELORWIND_FILE_FLAGS fileFlags "^0x[0-9A-Fa-f]+$")
_velorwind_version_field(VELORWIND_FILE_OS fileOS "^0x[0-9A-Fa-f]+$")
_velorwind_version_field(VELORWIND_FILE_TYPE fileType "^0x[0-9A-Fa-f]+$")
_velorwind_version_field(VELORWIND_FILE_SUBTYPE fileSubtype "^0x[0-9A-Fa-f]+$")
_velorwind_version_field(VELORWIND_VERSION_LANGUAGE language "^[0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f]$")
_velorwind_version_field(VELORWIND_VERSION_CODE_PAGE codePage "^[0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f]$")

set(VELORWIND_VERSION_STRING_KEYS "")
string(JSON _velorwind_string_count ERROR_VARIABLE _velorwind_error
       LENGTH "${_velorwind_version_json}" strings)
if(_velorwind_error OR _velorwind_string_count EQUAL 0)
  message(FATAL_ERROR "version.json: no string entries")
endif()
math(EXPR _velorwind_last "${_velorwind_string_count} - 1")
foreach(index RANGE ${_velorwind_last})
  string(JSON key MEMBER "${_velorwind_version_json}" strings ${index})
  if(NOT key MATCHES "^[A-Za-z]+$")
    message(FATAL_ERROR "version.json: string entry name '${key}' is not a plain word")
  endif()
  _velorwind_version_field(VELORWIND_VERSION_STRING_${key} "strings;${key}" ".")
  list(APPEND VELORWIND_VERSION_STRING_KEYS ${key})
endforeach()
