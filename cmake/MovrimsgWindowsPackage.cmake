# The Windows distribution, made by `cmake --build <build> --target package`:
# one ZIP holding the DLL, its import libraries (mingw's and MSVC's, with the
# module definition file) and expat's DLL (bin/, lib/), the headers, the
# CMake package and the pkg-config file, movrimsg-inspect, the licenses and a
# short README; beside it, a symbols ZIP with the debug information of the
# DLL and the tool. Both are the same bytes from every build of the same
# sources.

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

# The module definition file, from the export list, and the import library
# made from it in the format of MSVC's lib.exe, which MSVC's and LLVM's
# linkers take (mingw's libmovrimsg.dll.a is not in it).
include(${CMAKE_CURRENT_LIST_DIR}/MovrimsgExports.cmake)
movrimsg_read_exports(export_names export_versions export_releases)
list(JOIN export_names "\n  " export_lines)
file(GENERATE OUTPUT ${package_docs}/movrimsg.def
  CONTENT "LIBRARY $<TARGET_FILE_NAME:movrimsg>\nEXPORTS\n  ${export_lines}\n")
install(FILES ${package_docs}/movrimsg.def DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
find_program(MOVRIMSG_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14
             DOC "LLVM's dlltool (Debian: llvm-14), which makes movrimsg.lib")
if(MOVRIMSG_LLVM_DLLTOOL)
  add_custom_command(OUTPUT ${package_docs}/movrimsg.lib
    COMMAND ${MOVRIMSG_LLVM_DLLTOOL} -m i386:x86-64 -d ${package_docs}/movrimsg.def
            -l ${package_docs}/movrimsg.lib
    DEPENDS ${package_docs}/movrimsg.def)
  add_custom_target(movrimsg_msvc_import_library ALL DEPENDS ${package_docs}/movrimsg.lib)
  install(FILES ${package_docs}/movrimsg.lib DESTINATION ${CMAKE_INSTALL_LIBDIR}
          COMPONENT development)
else()
  message(WARNING "No llvm-dlltool (Debian: llvm-14): the ZIP will lack movrimsg.lib")
endif()

configure_file(${CMAKE_CURRENT_LIST_DIR}/windows-README.txt.in ${package_docs}/README.txt @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${package_docs}/LICENSE.txt COPYONLY)
install(FILES ${package_docs}/README.txt ${package_docs}/LICENSE.txt DESTINATION . COMPONENT runtime)

include(${CMAKE_CURRENT_LIST_DIR}/MovrimsgSourceDate.cmake)
set(CPACK_PACKAGE_NAME movrimsg)
set(CPACK_PACKAGE_VENDOR "The movrimsg developers")
set(CPACK_PACKAGE_FILE_NAME movrimsg-${PROJECT_VERSION}-windows-${CMAKE_SYSTEM_PROCESSOR})
set(CPACK_GENERATOR ZIP)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/MovrimsgWindowsCPackOptions.cmake)
file(WRITE ${CPACK_PROJECT_CONFIG_FILE}
  "# The files in the ZIPs carry the sources' time.\n"
  "set(ENV{SOURCE_DATE_EPOCH} ${movrimsg_source_date})\n")
set(CPACK_MOVRIMSG_BUILD_DIR ${PROJECT_BINARY_DIR})
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/MovrimsgWindowsZips.cmake)
include(CPack)
