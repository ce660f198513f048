cmake_minimum_required(VERSION 3.16)
# Parsing costs work linear in the document: for each shape, the
# instructions movri_msg_parse executes per unit (element, reference or line
# break), counted by callgrind, may grow by at most RATIO from one size to the
# next, ten times larger. A cost that grows faster than the size shows as a
# tenfold rise; callgrind's counts are the same however loaded the machine is.
#   cmake -DVALGRIND=... -DPROBE=... -DWORK=dir -P linear_cost.cmake
foreach(var VALGRIND PROBE WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "linear_cost.cmake needs -D${var}=...")
  endif()
endforeach()
set(RATIO_PERCENT 150)
set(sizes 1000 10000 100000)
file(MAKE_DIRECTORY ${WORK})

set(problems)
foreach(shape elements entity-references line-breaks character-references)
  set(previous 0)
  foreach(size IN LISTS sizes)
    set(out ${WORK}/${shape}-${size}.callgrind)
    execute_process(COMMAND ${VALGRIND} --tool=callgrind --toggle-collect=movri_msg_parse
                            --callgrind-out-file=${out} ${PROBE} ${shape} ${size}
                    RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "${shape} at ${size}: the probe failed (${result}):\n${errors}")
    endif()
    file(STRINGS ${out} totals REGEX "^(summary|totals): [0-9]+")
    list(GET totals 0 total)
    string(REGEX REPLACE "^[a-z]+: " "" total "${total}")
    math(EXPR per_unit "${total} / ${size}")
    message(STATUS "${shape}: ${per_unit} instructions per unit at ${size}")
    if(previous GREATER 0 AND per_unit GREATER previous)
      math(EXPR growth "100 * ${per_unit} / ${previous}")
      if(growth GREATER RATIO_PERCENT)
        list(APPEND problems "${shape}: ${previous} instructions per unit, then ${per_unit} at ${size}")
      endif()
    endif()
    set(previous ${per_unit})
  endforeach()
endforeach()
if(problems)
  list(JOIN problems "\n  " report)
  message(FATAL_ERROR "parse work grows faster than the document:\n  ${report}")
endif()
