# The tests of the Windows build, all run on Linux under wine: the unit tests,
# the Linux build's end-to-end suite against zemrik.exe, and the console
# display in a tmux pane.

# Every test gets the same wine: a prefix of its own in the build folder (made
# by the first test, without network or dialogs), no display to open windows
# on, and none of wine's own messages on standard error. The locale fixes how
# wine hands non-ASCII arguments to the program (UTF-8 in, code page 1252 out).
set(ZEMRIK_WINE_ENVIRONMENT
    "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix" "WINEDEBUG=-all" "LC_ALL=C.UTF-8")
set(ZEMRIK_WINE_UNSET "DISPLAY=unset:" "WAYLAND_DISPLAY=unset:")

add_test(NAME wine_prefix
         COMMAND sh -c "test -f \"$WINEPREFIX/system.reg\" || wineboot --init")
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine)
set(wine_tests wine_prefix)

# One run of the whole program: each start of wine costs a good part of a second.
add_test(NAME unit_tests COMMAND unit_tests)
list(APPEND wine_tests unit_tests)

set(ZEMRIK_E2E_TESTS "" CACHE FILEPATH "The Linux build's e2e_tests, run against zemrik.exe")
if(ZEMRIK_E2E_TESTS)
  add_test(NAME e2e_under_wine COMMAND ${ZEMRIK_E2E_TESTS})
  set_tests_properties(e2e_under_wine PROPERTIES
                       ENVIRONMENT "ZEMRIK_COMMAND=wine $<TARGET_FILE:zemrik>")
  list(APPEND wine_tests e2e_under_wine)
else()
  message(STATUS "ZEMRIK_E2E_TESTS not set: the end-to-end suite will not run on zemrik.exe")
endif()

add_test(NAME console_display
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/terminal_test.sh $<TARGET_FILE:zemrik>)
set_tests_properties(console_display PROPERTIES SKIP_RETURN_CODE 77)
list(APPEND wine_tests console_display)

add_test(NAME console_names
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/console_names_test.sh $<TARGET_FILE:zemrik>)
set_tests_properties(console_names PROPERTIES SKIP_RETURN_CODE 77)
list(APPEND wine_tests console_names)

foreach(test IN LISTS wine_tests)
  set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT ${ZEMRIK_WINE_ENVIRONMENT})
  set_property(TEST ${test} PROPERTY ENVIRONMENT_MODIFICATION ${ZEMRIK_WINE_UNSET})
  if(NOT test STREQUAL "wine_prefix")
    set_property(TEST ${test} PROPERTY FIXTURES_REQUIRED wine)
  endif()
endforeach()
