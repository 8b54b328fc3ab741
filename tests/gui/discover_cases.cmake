# Run after a window test program is built: writes a CTest file with one test per test
# function of the program, so that each case passes, fails or shows as skipped on its own.
#   cmake -D PROGRAM=... -D PREFIX=... -D OUTPUT=... -P discover_cases.cmake
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
          ${PROGRAM} -functions
  OUTPUT_VARIABLE listed RESULT_VARIABLE status ERROR_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} -functions failed: ${status}")
endif()
string(REGEX MATCHALL "[A-Za-z0-9_]+\\(\\)" cases "${listed}")
set(script "")
foreach(case IN LISTS cases)
  string(REPLACE "()" "" case "${case}")
  string(APPEND script
    "add_test([=[${PREFIX}.${case}]=] [=[${PROGRAM}]=] ${case})\n"
    "set_tests_properties([=[${PREFIX}.${case}]=] PROPERTIES "
    "ENVIRONMENT \"QT_QPA_PLATFORM=offscreen;LC_ALL=C;LANG=C\" "
    "SKIP_REGULAR_EXPRESSION \"\\nSKIP   : \")\n")
endforeach()
file(WRITE ${OUTPUT} "${script}")
