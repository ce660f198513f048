# The packages' time (changelog date, file times in the archives), in
# movrimsg_source_date: SOURCE_DATE_EPOCH, else the last commit's, else
# CMakeLists.txt's, which in a source release is that commit's. git is asked
# only when it is there and answers: it may be missing, or refuse a checkout
# that another user owns.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(movrimsg_source_date $ENV{SOURCE_DATE_EPOCH})
else()
  set(movrimsg_source_date "")
  find_program(MOVRIMSG_GIT git)
  if(MOVRIMSG_GIT AND EXISTS ${PROJECT_SOURCE_DIR}/.git)
    execute_process(COMMAND ${MOVRIMSG_GIT} log -1 --format=%ct
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
      OUTPUT_VARIABLE movrimsg_source_date OUTPUT_STRIP_TRAILING_WHITESPACE
      RESULT_VARIABLE git_result ERROR_QUIET)
    if(NOT git_result EQUAL 0 OR NOT movrimsg_source_date MATCHES "^[0-9]+$")
      set(movrimsg_source_date "")
    endif()
  endif()
  if(movrimsg_source_date STREQUAL "")
    file(TIMESTAMP ${PROJECT_SOURCE_DIR}/CMakeLists.txt movrimsg_source_date "%s" UTC)
  endif()
endif()
