# Renders the report of a demo run with headless Chromium and checks that the
# picture is not blank. Chromium missing is a failure: the test command
# installs it (scripts/install-deps.sh browser).
#   cmake -DCLI=... -DCOLOURS=... -DDEMO=... -DOUT=... -P RenderReport.cmake
find_program(CHROMIUM NAMES chromium chromium-browser)
if(NOT CHROMIUM)
  message(FATAL_ERROR "Chromium is not installed: scripts/install-deps.sh browser")
endif()

file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT}/profile)
execute_process(COMMAND ${CLI} backtest ${DEMO}/AUDJPY.base --report ${OUT}/report.html
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "quillet-cli backtest --report failed: ${rc}")
endif()

# A profile of its own, so nothing of the user's is read or written.
execute_process(COMMAND ${CHROMIUM} --headless --no-sandbox --disable-gpu --hide-scrollbars --no-first-run
                        --user-data-dir=${OUT}/profile --window-size=1000,2000 --screenshot=${OUT}/report.png
                        file://${OUT}/report.html
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 100)
if(NOT rc EQUAL 0 OR NOT EXISTS ${OUT}/report.png)
  message(FATAL_ERROR "Chromium did not render the report (${rc}):\n${out}\n${err}")
endif()

execute_process(COMMAND ${COLOURS} ${OUT}/report.png 64 RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the rendered report is blank")
endif()
message(STATUS "rendered ${OUT}/report.png")
