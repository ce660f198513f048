# The Windows distribution, made by `cmake --build <build> --target package`:
# one ZIP holding the DLL, its import library and expat's DLL (bin/, lib/),
# the headers, the CMake package and the pkg-config file, movrimsg-inspect,
# the licenses and a short README.

# expat's DLL and its license go beside the library.
find_file(MOVRIMSG_EXPAT_LICENSE COPYING PATH_SUFFIXES share/doc/expat
          DOC "expat's license, shipped with its DLL")
set(package_docs ${PROJECT_BINARY_DIR}/package-docs)
if(MOVRIMSG_EXPAT_DLL AND MOVRIMSG_EXPAT_LICENSE)
  install(FILES ${MOVRIMSG_EXPAT_DLL} DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
  configure_file(${MOVRIMSG_EXPAT_LICENSE} ${package_docs}/LICENSE-expat.txt COPYONLY)
  install(FILES ${package_docs}/LICENSE-expat.txt DESTINATION . COMPONENT runtime)
else()
  message(WARNING "No libexpat-1.dll with expat's COPYING in the expat prefix "
                  "(tools/build-windows-deps.sh makes both): the ZIP will lack expat")
endif()

configure_file(${CMAKE_CURRENT_LIST_DIR}/windows-README.txt.in ${package_docs}/README.txt @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${package_docs}/LICENSE.txt COPYONLY)
install(FILES ${package_docs}/README.txt ${package_docs}/LICENSE.txt DESTINATION . COMPONENT runtime)

set(CPACK_PACKAGE_NAME movrimsg)
set(CPACK_PACKAGE_VENDOR "The movrimsg developers")
set(CPACK_PACKAGE_FILE_NAME movrimsg-${PROJECT_VERSION}-windows-${CMAKE_SYSTEM_PROCESSOR})
set(CPACK_GENERATOR ZIP)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_STRIP_FILES ON)
include(CPack)
