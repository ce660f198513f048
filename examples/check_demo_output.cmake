# Runs the demonstration and checks that the receiver printed what the sender
# put in the message, escapes and Latin-1 byte included. EMULATOR, when
# given, runs it (wine for a cross-built Windows program, whose text output
# ends its lines with CRLF).
execute_process(COMMAND ${EMULATOR} ${DEMO} RESULT_VARIABLE status OUTPUT_VARIABLE output
                ERROR_VARIABLE errors)
if(EMULATOR)
  string(REPLACE "\r\n" "\n" output "${output}")
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "message_demo exited with ${status}:\n${output}${errors}")
endif()
foreach(expected
    "<ele name='customer'>O&apos;Brien &amp; Sons</ele>"
    "  msgname: order\n"
    "  customer: O'Brien & Sons\n"
    "  item: café au lait\n"
    "  note: deliver if total < 20\n")
  string(FIND "${output}" "${expected}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "message_demo output lacks \"${expected}\":\n${output}")
  endif()
endforeach()
