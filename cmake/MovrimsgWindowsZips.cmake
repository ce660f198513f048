# Run by CPack once it has made the ZIP. CPack lists the files in the order
# the file system gives them: the ZIP is made again from the staged tree, in
# the order of their names. Beside it goes <package>-symbols.zip, holding the
# .debug files of the DLL and the tool as the ZIP lays them out (bin/), each
# named by the debug link of its DLL or program. File times are the sources'
# (SOURCE_DATE_EPOCH, set by the CPack options file).

# Packs the files under <dir>/<top> into <zip>, sorted.
function(movrimsg_zip dir top zip)
  file(GLOB_RECURSE files RELATIVE ${dir} ${dir}/${top}/*)
  list(SORT files)
  file(REMOVE ${zip})
  execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip ${files}
                  WORKING_DIRECTORY ${dir} COMMAND_ERROR_IS_FATAL ANY)
endfunction()

movrimsg_zip(${CPACK_TOPLEVEL_DIRECTORY} ${CPACK_PACKAGE_FILE_NAME} ${CPACK_PACKAGE_FILES})

set(symbols ${CPACK_PACKAGE_FILE_NAME}-symbols)
set(staging ${CPACK_TOPLEVEL_DIRECTORY}/symbols)
file(REMOVE_RECURSE ${staging})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${CPACK_MOVRIMSG_BUILD_DIR}
                        --component symbols --prefix ${staging}/${symbols}
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
movrimsg_zip(${staging} ${symbols} ${CPACK_PACKAGE_DIRECTORY}/${symbols}.zip)
message(STATUS "movrimsg: ${CPACK_PACKAGE_DIRECTORY}/${symbols}.zip generated.")
