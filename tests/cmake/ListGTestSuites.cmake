# Writes OUT: one add_test per suite of the GoogleTest program EXE (see
# GTestSuites.cmake). Run with cmake -P.
execute_process(COMMAND ${EXE} --gtest_list_tests OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${EXE} --gtest_list_tests failed (${status})")
endif()
# Parameter comments may hold any character; names never hold ';' or '#'.
string(REGEX REPLACE "#[^\n]*" "" listing "${listing}")
string(REPLACE "\n" ";" lines "${listing}")
set(script "")
set(count 0)
foreach(line IN LISTS lines)
  if(line MATCHES "^([^ ]+)\\.[ ]*$")
    set(suite ${CMAKE_MATCH_1})
    set(test "${NAME}.${suite}")
    string(APPEND script
           "add_test([=[${test}]=] [=[${EXE}]=] [=[--gtest_filter=${suite}.*]=] --gtest_brief=1)\n"
           "set_tests_properties([=[${test}]=] PROPERTIES LABELS ${LABEL} TIMEOUT 600\n"
           "  PASS_REGULAR_EXPRESSION [=[\\[  PASSED  \\] [0-9]+ tests?\\.]=]\n"
           "  FAIL_REGULAR_EXPRESSION [=[\\[  FAILED  \\]|ERROR: [A-Za-z]+Sanitizer|runtime error:]=])\n")
    math(EXPR count "${count} + 1")
  endif()
endforeach()
if(count EQUAL 0)
  message(FATAL_ERROR "${EXE} lists no test suite")
endif()
file(WRITE ${OUT} "${script}")
