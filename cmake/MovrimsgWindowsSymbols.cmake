# Run by CPack after the ZIP: <package>-symbols.zip beside it, holding the
# .debug files of the DLL and the tool laid out as in the ZIP (bin/), each
# named by the debug link of its DLL or program.
set(name ${CPACK_PACKAGE_FILE_NAME}-symbols)
set(staging ${CPACK_TOPLEVEL_DIRECTORY}/symbols)
file(REMOVE_RECURSE ${staging})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${CPACK_MOVRIMSG_BUILD_DIR}
                        --component symbols --prefix ${staging}/${name}
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
file(GLOB_RECURSE files RELATIVE ${staging} ${staging}/*)
list(SORT files)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${CPACK_PACKAGE_DIRECTORY}/${name}.zip
                        --format=zip ${files}
                WORKING_DIRECTORY ${staging} COMMAND_ERROR_IS_FATAL ANY)
message(STATUS "movrimsg: ${CPACK_PACKAGE_DIRECTORY}/${name}.zip generated.")
