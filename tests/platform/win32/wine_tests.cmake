# The Windows build's tests: GoogleTest built from Debian's sources, and
# every test program run under Wine on one prefix in the build folder.

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

set(VELORWIND_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(VELORWIND_WINE_RUN ${CMAKE_CURRENT_LIST_DIR}/run_under_wine.sh)

# velorwind_add_wine_test(TARGET [DISPLAY] [ENVIRONMENT VAR=value...])
# One test that runs the whole program TARGET under Wine. The tests share
# the prefix and its server and so run one at a time; DISPLAY gives the run
# a virtual X display with a tray host.
function(velorwind_add_wine_test name)
  cmake_parse_arguments(ARG "DISPLAY" "" "ENVIRONMENT" ${ARGN})
  set(display_option "")
  if(ARG_DISPLAY)
    set(display_option --display)
  endif()
  add_test(NAME ${name}
           COMMAND bash ${VELORWIND_WINE_RUN} ${display_option} ${VELORWIND_WINE_PREFIX}
                   $<TARGET_FILE:${name}>)
  set_tests_properties(${name} PROPERTIES RESOURCE_LOCK wine_prefix TIMEOUT 300)
  if(ARG_ENVIRONMENT)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${ARG_ENVIRONMENT}")
  endif()
endfunction()
