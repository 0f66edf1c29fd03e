# One ctest per GoogleTest suite instead of one per test: a suite's fixture
# (the demo table, a sweep, a window) is made once for all of its cases, and
# ctest still runs the suites side by side.
#
#   quillet_add_gtest_suites(TARGET LABEL)
#
# After each build of TARGET its suites are listed (--gtest_list_tests) and
# written as ctest tests named TARGET.SUITE, labelled LABEL.
set(QUILLET_LIST_SUITES_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/ListGTestSuites.cmake)

function(quillet_add_gtest_suites target label)
  set(listed ${CMAKE_CURRENT_BINARY_DIR}/${target}_suites.cmake)
  set(include ${CMAKE_CURRENT_BINARY_DIR}/${target}_include.cmake)
  add_custom_command(
    TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -D EXE=$<TARGET_FILE:${target}> -D OUT=${listed} -D NAME=${target}
            -D LABEL=${label} -P ${QUILLET_LIST_SUITES_SCRIPT}
    BYPRODUCTS ${listed}
    VERBATIM)
  # A program that was never built shows up as a failing test, not as none.
  file(WRITE ${include}
       "if(EXISTS [=[${listed}]=])\n  include([=[${listed}]=])\nelse()\n"
       "  add_test([=[${target}_NOT_BUILT]=] [=[${target}_NOT_BUILT]=])\n"
       "  set_tests_properties([=[${target}_NOT_BUILT]=] PROPERTIES LABELS ${label})\nendif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${include})
endfunction()
