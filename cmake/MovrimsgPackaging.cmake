# Packages of the installed tree, made by `cmake --build <build> --target
# package`: Debian packages and RPMs split the way Debian splits a library,
# one per install component, and one .tar.gz holding everything.
#   runtime      libmovrimsg<major>   the shared library and its SONAME link
#   development  libmovrimsg-dev      headers, the .so link, CMake package, movrimsg.pc
#   tools        movrimsg-tools       movrimsg-inspect and its manual page
# Configure with -DCMAKE_INSTALL_PREFIX=/usr so that GNUInstallDirs gives the
# system's library directory (lib/<multiarch> on Debian). Linux only.
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
  return()
endif()

set(runtime_package libmovrimsg${PROJECT_VERSION_MAJOR})
set(development_package libmovrimsg-dev)
set(tools_package movrimsg-tools)
set(components runtime development tools)
set(MOVRIMSG_PACKAGE_MAINTAINER "movrimsg developers <dev@movrimsg.invalid>"
    CACHE STRING "Maintainer named by the packages")

# The packages' times (changelog date, file times in the archives) come from
# SOURCE_DATE_EPOCH, else from the last commit, else from CMakeLists.txt,
# whose time in a source release is that commit's. git is asked only when it
# is there and answers: it may be missing, or refuse a checkout that another
# user owns.
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

# Each package's documentation, as Debian requires it: the license as a
# machine-readable copyright file and a changelog, both in
# /usr/share/doc/<package>. Only packages install them (EXCLUDE_FROM_ALL
# keeps them out of `cmake --install`).
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license_text)
string(REGEX REPLACE "\n+$" "" license_text "${license_text}")
string(REGEX REPLACE "^MIT License\n\nCopyright ([^\n]*)\n\n" "" license_body "${license_text}")
set(license_copyright "${CMAKE_MATCH_1}")
string(REPLACE "\n\n" "\n.\n" license_body "${license_body}")
string(REPLACE "\n" "\n " license_body "${license_body}")
set(copyright_text "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: movrimsg

Files: *
Copyright: ${license_copyright}
License: Expat
 ${license_body}
")

# string(TIMESTAMP) tells the time SOURCE_DATE_EPOCH holds.
set(outer_source_date "$ENV{SOURCE_DATE_EPOCH}")
set(ENV{SOURCE_DATE_EPOCH} ${movrimsg_source_date})
string(TIMESTAMP changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(ENV{SOURCE_DATE_EPOCH} "${outer_source_date}")
set(changelog_text "movrimsg (${PROJECT_VERSION}) unstable; urgency=medium

  * Release ${PROJECT_VERSION}; see CHANGELOG.md in the sources.

 -- ${MOVRIMSG_PACKAGE_MAINTAINER}  ${changelog_date}
")

set(package_docs ${PROJECT_BINARY_DIR}/package-docs)
file(WRITE ${package_docs}/copyright "${copyright_text}")
file(WRITE ${package_docs}/changelog "${changelog_text}")
execute_process(COMMAND gzip -9nf ${package_docs}/changelog COMMAND_ERROR_IS_FATAL ANY)
foreach(component IN LISTS components)
  install(FILES ${package_docs}/copyright ${package_docs}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${${component}_package}
    COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()

set(CPACK_PACKAGE_NAME movrimsg)
set(CPACK_PACKAGE_VENDOR "The movrimsg developers")
set(CPACK_PACKAGE_CONTACT ${MOVRIMSG_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_FILE_NAME movrimsg-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR})
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/MovrimsgPackageStaging.cmake)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/MovrimsgCPackOptions.cmake)
configure_file(${CMAKE_CURRENT_LIST_DIR}/MovrimsgCPackOptions.cmake.in ${CPACK_PROJECT_CONFIG_FILE}
               @ONLY)

set(CPACK_GENERATOR TGZ DEB)
find_program(MOVRIMSG_RPMBUILD rpmbuild)
if(MOVRIMSG_RPMBUILD)
  list(APPEND CPACK_GENERATOR RPM)
endif()
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_RPM_COMPONENT_INSTALL ON)

# Debian packages. The library package's shlibs and symbols files let
# packages built against it depend on the version they need; its ldconfig
# trigger refreshes the linker cache.
get_target_property(library_build_dir movrimsg BINARY_DIR)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${library_build_dir})
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

file(STRINGS ${PROJECT_SOURCE_DIR}/src/movrimsg.exports exported_functions)
list(TRANSFORM exported_functions REPLACE "^(.+)$" " \\1@MOVRIMSG_1 ${PROJECT_VERSION}")
list(JOIN exported_functions "\n" symbol_lines)
file(WRITE ${package_docs}/symbols
  "libmovrimsg.so.${PROJECT_VERSION_MAJOR} ${runtime_package} #MINVER#\n"
  "* Build-Depends-Package: ${development_package}\n"
  " MOVRIMSG_1@MOVRIMSG_1 ${PROJECT_VERSION}\n"
  "${symbol_lines}\n")
file(WRITE ${package_docs}/triggers "activate-noawait ldconfig\n")

# Each package's synopsis and description.
set(about "movrimsg gives applications a message: a flat, ordered list of elements
whose first five form a fixed header, rendered as a compact XML document
and parsed back with expat.
")
set(runtime_synopsis "flat messages and their compact XML documents - library")
set(runtime_holds "This package holds the shared library.")
set(development_synopsis "flat messages and their compact XML documents - development files")
set(development_holds "This package holds the C and C++ headers, the link to the shared library,
the CMake package and the pkg-config file.")
set(tools_synopsis "flat messages and their compact XML documents - tools")
set(tools_holds "This package holds movrimsg-inspect, which prints the message a document
carries.")
foreach(component IN LISTS components)
  string(TOUPPER ${component} upper)
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${${component}_package})
  set(CPACK_DEBIAN_${upper}_DESCRIPTION "${${component}_synopsis}\n${about}\n${${component}_holds}")
  set(CPACK_RPM_${upper}_PACKAGE_NAME ${${component}_package})
  set(CPACK_RPM_${upper}_PACKAGE_SUMMARY "${${component}_synopsis}")
  set(CPACK_RPM_${upper}_PACKAGE_DESCRIPTION "${about}\n${${component}_holds}")
endforeach()
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS runtime)
set(CPACK_COMPONENT_TOOLS_DEPENDS runtime)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${package_docs}/symbols ${package_docs}/triggers)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS libexpat1-dev)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)

# RPMs: the same split under the same names. The directories they share with
# the system are not theirs.
set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_LICENSE MIT)
set(CPACK_RPM_SPEC_MORE_DEFINE "%define _build_id_links none")
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
    ${CMAKE_INSTALL_FULL_LIBDIR} ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig
    ${CMAKE_INSTALL_FULL_LIBDIR}/cmake ${CMAKE_INSTALL_FULL_MANDIR} ${CMAKE_INSTALL_FULL_MANDIR}/man1)
set(CPACK_RPM_DEVELOPMENT_PACKAGE_REQUIRES "${runtime_package} = ${PROJECT_VERSION}, expat-devel")
set(CPACK_RPM_TOOLS_PACKAGE_REQUIRES "${runtime_package} = ${PROJECT_VERSION}")

include(CPack)
