# Packages of the installed tree, made by `cmake --build <build> --target
# package`: one .tar.gz holding everything, and packages split the way the
# tree's layout asks for, one per install component. A tree laid out the
# Debian way (the library in lib/<multiarch>) gives Debian packages; any
# other (lib64 or lib, as RPM-based systems have it) gives RPMs, when
# rpmbuild is there.
#   component    Debian             RPM               what
#   runtime      libmovrimsg<major> movrimsg          the shared library and its SONAME link
#   development  libmovrimsg-dev    movrimsg-devel    headers, the .so link, CMake package, movrimsg.pc
#   tools        movrimsg-tools     movrimsg-tools    movrimsg-inspect and its manual page
# Configure with -DCMAKE_INSTALL_PREFIX=/usr so that GNUInstallDirs gives the
# system's library directory; on Debian, add -DCMAKE_INSTALL_LIBDIR=lib64 for
# RPMs. Linux only.
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
  return()
endif()

if(CMAKE_INSTALL_LIBDIR MATCHES "^lib/[^/]+-linux-[^/]+$")
  set(package_layout DEB)
else()
  set(package_layout RPM)
endif()
if(package_layout STREQUAL "DEB")
  set(runtime_package libmovrimsg${PROJECT_VERSION_MAJOR})
  set(development_package libmovrimsg-dev)
else()
  set(runtime_package movrimsg)
  set(development_package movrimsg-devel)
endif()
set(tools_package movrimsg-tools)
include(${CMAKE_CURRENT_LIST_DIR}/MovrimsgExports.cmake)
set(components runtime development tools)
set(MOVRIMSG_PACKAGE_MAINTAINER "movrimsg developers <dev@movrimsg.invalid>"
    CACHE STRING "Maintainer named by the packages")

include(${CMAKE_CURRENT_LIST_DIR}/MovrimsgSourceDate.cmake)

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
if(package_layout STREQUAL "DEB")
  foreach(component IN LISTS components)
    install(FILES ${package_docs}/copyright ${package_docs}/changelog.gz
      DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${${component}_package}
      COMPONENT ${component} EXCLUDE_FROM_ALL)
  endforeach()
else()
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/licenses/${runtime_package}
    COMPONENT runtime EXCLUDE_FROM_ALL)
endif()
# The .tar.gz, which holds what `cmake --install` installs, carries the
# license in a component of its own that no split package takes.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR}
  COMPONENT license)
set(CPACK_COMPONENTS_ALL ${components})

set(CPACK_PACKAGE_NAME movrimsg)
set(CPACK_PACKAGE_VENDOR "The movrimsg developers")
set(CPACK_PACKAGE_CONTACT ${MOVRIMSG_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_FILE_NAME movrimsg-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR})
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/MovrimsgPackageStaging.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/MovrimsgDebArchiveModes.cmake)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/MovrimsgCPackOptions.cmake)
configure_file(${CMAKE_CURRENT_LIST_DIR}/MovrimsgCPackOptions.cmake.in ${CPACK_PROJECT_CONFIG_FILE}
               @ONLY)

set(CPACK_GENERATOR TGZ)
find_program(MOVRIMSG_RPMBUILD rpmbuild)
if(package_layout STREQUAL "DEB")
  list(APPEND CPACK_GENERATOR DEB)
elseif(MOVRIMSG_RPMBUILD)
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

# The symbols file stamps each function, and each symbol version node, with
# the release that introduced it (src/movrimsg.exports), so that a program
# needs no newer library than the functions it calls.
movrimsg_read_exports(export_names export_versions export_releases)
set(symbol_lines "")
foreach(release IN LISTS export_releases)
  movrimsg_version_node(${release} node)
  string(APPEND symbol_lines " ${node}@${node} ${release}.0\n")
endforeach()
foreach(release IN LISTS export_releases)
  movrimsg_version_node(${release} node)
  movrimsg_exports_of(${release} release_names)
  foreach(name IN LISTS release_names)
    string(APPEND symbol_lines " ${name}@${node} ${release}.0\n")
  endforeach()
endforeach()
file(WRITE ${package_docs}/symbols
  "libmovrimsg.so.${PROJECT_VERSION_MAJOR} ${runtime_package} #MINVER#\n"
  "* Build-Depends-Package: ${development_package}\n"
  "${symbol_lines}")
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

# RPMs, named the way RPM-based systems name a library's packages. The
# development package provides what `BuildRequires: cmake(movrimsg)` asks
# for; rpmbuild adds pkgconfig(movrimsg) and pkgconfig(expat) from
# movrimsg.pc. The library's package refreshes the linker cache. The
# directories they share with the system are not theirs.
set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_LICENSE MIT)
set(CPACK_RPM_SPEC_MORE_DEFINE "%define _build_id_links none")
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
    ${CMAKE_INSTALL_FULL_LIBDIR} ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig
    ${CMAKE_INSTALL_FULL_LIBDIR}/cmake ${CMAKE_INSTALL_FULL_MANDIR} ${CMAKE_INSTALL_FULL_MANDIR}/man1
    ${CMAKE_INSTALL_FULL_DATAROOTDIR}/licenses)
file(WRITE ${package_docs}/ldconfig "/sbin/ldconfig\n")
set(CPACK_RPM_RUNTIME_POST_INSTALL_SCRIPT_FILE ${package_docs}/ldconfig)
set(CPACK_RPM_RUNTIME_POST_UNINSTALL_SCRIPT_FILE ${package_docs}/ldconfig)
set(CPACK_RPM_DEVELOPMENT_PACKAGE_REQUIRES "${runtime_package} = ${PROJECT_VERSION}")
set(CPACK_RPM_DEVELOPMENT_PACKAGE_PROVIDES "cmake(movrimsg) = ${PROJECT_VERSION}")
set(CPACK_RPM_TOOLS_PACKAGE_REQUIRES "${runtime_package} = ${PROJECT_VERSION}")

include(CPack)
