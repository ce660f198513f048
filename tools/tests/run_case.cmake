# Runs the inspection tool once and checks its exit status and output.
#   TOOL           the tool
#   ARGS           its arguments, separated by '|'
#   STDIN          file fed to standard input (optional)
#   STDOUT_FILE    file standard output goes to (optional; /dev/full, say)
#   EXPECT_EXIT    the exit status wanted
#   EXPECT_STDOUT  file whose content standard output must equal (optional)
#   STDOUT_MATCH   regular expression standard output must match (optional)
#   STDERR_MATCH   regular expression standard error must match (optional;
#                  without it, standard error must be empty)
#   EMULATOR       runs the tool (optional; wine for a cross-built Windows
#                  tool, whose text output ends its lines with CRLF)
string(REPLACE "|" ";" arguments "${ARGS}")
if(NOT STDIN)
  set(STDIN /dev/null)
endif()
if(STDOUT_FILE)
  set(output OUTPUT_FILE ${STDOUT_FILE})
else()
  set(output OUTPUT_VARIABLE out)
endif()
execute_process(COMMAND ${EMULATOR} ${TOOL} ${arguments}
  INPUT_FILE ${STDIN}
  RESULT_VARIABLE status
  ${output}
  ERROR_VARIABLE err)
if(EMULATOR)
  string(REPLACE "\r\n" "\n" out "${out}")
  string(REPLACE "\r\n" "\n" err "${err}")
endif()

set(failures "")
if(NOT status STREQUAL EXPECT_EXIT)
  string(APPEND failures "exit status ${status}, wanted ${EXPECT_EXIT}\n")
endif()
if(EXPECT_STDOUT)
  file(READ ${EXPECT_STDOUT} wanted)
  if(NOT out STREQUAL wanted)
    string(APPEND failures "standard output differs from ${EXPECT_STDOUT}\n")
  endif()
endif()
if(STDOUT_MATCH AND NOT out MATCHES "${STDOUT_MATCH}")
  string(APPEND failures "standard output does not match '${STDOUT_MATCH}'\n")
endif()
if(STDERR_MATCH)
  if(NOT err MATCHES "${STDERR_MATCH}")
    string(APPEND failures "standard error does not match '${STDERR_MATCH}'\n")
  endif()
elseif(NOT err STREQUAL "")
  string(APPEND failures "standard error is not empty\n")
endif()
if(failures)
  message(FATAL_ERROR "${failures}--- standard output:\n${out}--- standard error:\n${err}")
endif()
