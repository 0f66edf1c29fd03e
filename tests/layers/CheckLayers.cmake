# Each core library is compiled against an include root that holds only its
# own folder and the folders beneath it. This script compiles, for every
# library, one header of each folder beneath it (which must be found) and
# one of each folder above it or beside it (which must not be), so that a
# change of the build that lets an include point the wrong way fails here.
#   cmake -DCXX=... -DLAYERS=<build>/layers -DSOURCE=<source dir> -P CheckLayers.cmake
set(order model rule engine analysis report)
set(beneath_store model)
# One light header of each folder to include.
set(header_model model/Units.h)
set(header_rule rule/Arithmetic32.h)
set(header_engine engine/NetFolder.h)
set(header_analysis analysis/MonteCarlo.h)
set(header_report report/ReportCaptions.h)
set(header_store store/CostsFile.h)

function(try_include layer header expect_found)
  set(file ${CMAKE_CURRENT_BINARY_DIR}/layer-${layer}.cpp)
  file(WRITE ${file} "#include \"${header}\"\nint main() { return 0; }\n")
  execute_process(COMMAND ${CXX} -std=c++20 -fsyntax-only -I${LAYERS}/${layer} ${file}
                  RESULT_VARIABLE failed ERROR_VARIABLE err)
  if(expect_found AND failed)
    message(FATAL_ERROR "${layer} cannot include ${header}, which lies beneath it:\n${err}")
  elseif(NOT expect_found AND NOT failed)
    message(FATAL_ERROR "${layer} can include ${header}, which it must not see")
  elseif(NOT expect_found AND NOT err MATCHES "No such file|file not found")
    message(FATAL_ERROR "${layer} including ${header} failed for another reason:\n${err}")
  endif()
endfunction()

set(checked 0)
foreach(layer ${order} store)
  if(layer STREQUAL "store")
    set(sees store ${beneath_store})
  else()
    list(FIND order ${layer} at)
    list(SUBLIST order 0 ${at} sees)
    list(APPEND sees ${layer})
  endif()
  foreach(folder ${order} store)
    list(FIND sees ${folder} seen)
    if(seen GREATER -1)
      try_include(${layer} ${header_${folder}} TRUE)
    else()
      try_include(${layer} ${header_${folder}} FALSE)
    endif()
    math(EXPR checked "${checked} + 1")
  endforeach()
endforeach()
message(STATUS "Layers: ${checked} includes checked, each found only where it points down")
