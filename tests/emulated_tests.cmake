# The tests of a Linux build for another processor (AArch64), run on this
# machine under CMAKE_CROSSCOMPILING_EMULATOR (qemu's user-mode emulator):
# the unit tests, the kernels' among them; the native build's end-to-end and
# safety suites against this build's program; and the display in a tmux pane.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  message(WARNING "CMAKE_CROSSCOMPILING_EMULATOR is not set: the tests of this build cannot run here")
  return()
endif()
include(GoogleTest)

# ctest starts each test program through the emulator itself.
gtest_discover_tests(unit_tests NO_PRETTY_VALUES DISCOVERY_TIMEOUT 60)

# The program as one command that starts it under the emulator, so that the
# suites run it wherever they would run the native one: directly, from a
# shell, under strace, in a tmux pane. exec keeps one process throughout, so
# signals and exit statuses reach the suites as the program's own. It has
# the program's file name, which the suites expect in failure reports.
string(JOIN " " emulator ${CMAKE_CROSSCOMPILING_EMULATOR})
# The program is linked statically: the emulator needs no library prefix for
# it, and one (-L) would make it look up every absolute path the program
# opens under that prefix first.
list(GET CMAKE_CROSSCOMPILING_EMULATOR 0 program_emulator)
set(ZEMRIK_EMULATED_PROGRAM ${CMAKE_CURRENT_BINARY_DIR}/emulated/zemrik)
file(GENERATE OUTPUT ${ZEMRIK_EMULATED_PROGRAM}
     CONTENT "#!/bin/sh\nexec ${program_emulator} \"$<TARGET_FILE:zemrik>\" \"$@\"\n"
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The suites are built for this machine (the native build's); they start the
# program under test through ZEMRIK_COMMAND. One run each: the end-to-end
# suite against the emulated program takes under a minute.
set(ZEMRIK_E2E_TESTS "" CACHE FILEPATH "The native build's e2e_tests, run against this build's program")
set(ZEMRIK_SAFETY_TESTS "" CACHE FILEPATH "The native build's safety_tests, run against this build's program")
foreach(suite e2e safety)
  string(TOUPPER ${suite} variable)
  if(ZEMRIK_${variable}_TESTS)
    add_test(NAME ${suite}_emulated COMMAND ${ZEMRIK_${variable}_TESTS})
    set_tests_properties(${suite}_emulated PROPERTIES
                         ENVIRONMENT "ZEMRIK_COMMAND=${ZEMRIK_EMULATED_PROGRAM};ZEMRIK_EMULATOR=${program_emulator}"
                         TIMEOUT 1200)
  else()
    message(STATUS "ZEMRIK_${variable}_TESTS not set: the ${suite} suite will not run on this build's program")
  endif()
endforeach()

add_test(NAME console_display COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/terminal_test.sh ${ZEMRIK_EMULATED_PROGRAM})
set_tests_properties(console_display PROPERTIES SKIP_RETURN_CODE 77)
