# Install rules: the library with its SONAME links, the C and C++ headers, a
# CMake package giving movrimsg::movrimsg, and a pkg-config file.
include(CMakePackageConfigHelpers)

set(MOVRIMSG_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/movrimsg
    CACHE STRING "Where the CMake package files go, relative to the install prefix")
set(MOVRIMSG_INSTALL_PKGCONFIGDIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig
    CACHE STRING "Where movrimsg.pc goes, relative to the install prefix")

install(TARGETS movrimsg EXPORT movrimsgTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime
          NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
install(FILES ${PROJECT_SOURCE_DIR}/include/movrimsg.h ${PROJECT_SOURCE_DIR}/include/movrimsg.hpp
              ${PROJECT_BINARY_DIR}/include/movrimsg_version.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)

# The CMake package.
install(EXPORT movrimsgTargets NAMESPACE movrimsg::
  DESTINATION ${MOVRIMSG_INSTALL_CMAKEDIR} COMPONENT development)
if(BUILD_SHARED_LIBS)
  set(MOVRIMSG_NEEDS_EXPAT OFF)
else()
  set(MOVRIMSG_NEEDS_EXPAT ON)
endif()
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/movrimsgConfig.cmake.in
  ${PROJECT_BINARY_DIR}/movrimsgConfig.cmake
  INSTALL_DESTINATION ${MOVRIMSG_INSTALL_CMAKEDIR} PATH_VARS CMAKE_INSTALL_LIBDIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/movrimsgConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/movrimsgConfig.cmake
              ${PROJECT_BINARY_DIR}/movrimsgConfigVersion.cmake
  DESTINATION ${MOVRIMSG_INSTALL_CMAKEDIR} COMPONENT development)

# The pkg-config file names its directories by absolute paths, which
# pkg-config recognises as the system's (-I/usr/include is left out). The
# prefix is the one installed to, chosen at install time
# (cmake --install --prefix) or, for packages, the configured one.
set(MOVRIMSG_PC_PREFIX "@MOVRIMSG_PC_PREFIX@")
set(MOVRIMSG_PC_REQUIRES_PRIVATE expat)
# A Windows tree is unpacked wherever its user likes: its movrimsg.pc finds
# the tree from its own folder. Programs link with the DLL's import library
# alone, and no expat.pc comes with the tree, so it requires nothing.
if(WIN32 AND BUILD_SHARED_LIBS)
  file(RELATIVE_PATH prefix_from_pkgconfigdir
       ${CMAKE_INSTALL_PREFIX}/${MOVRIMSG_INSTALL_PKGCONFIGDIR} ${CMAKE_INSTALL_PREFIX})
  string(REGEX REPLACE "/$" "" prefix_from_pkgconfigdir "${prefix_from_pkgconfigdir}")
  set(MOVRIMSG_PC_PREFIX "\${pcfiledir}/${prefix_from_pkgconfigdir}")
  set(MOVRIMSG_PC_REQUIRES_PRIVATE "")
endif()
foreach(dir LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE ${CMAKE_INSTALL_${dir}})
    set(MOVRIMSG_PC_${dir} ${CMAKE_INSTALL_${dir}})
  else()
    set(MOVRIMSG_PC_${dir} "\${prefix}/${CMAKE_INSTALL_${dir}}")
  endif()
endforeach()
if(BUILD_SHARED_LIBS)
  set(MOVRIMSG_PC_CFLAGS "")
else()
  set(MOVRIMSG_PC_CFLAGS " -DMOVRIMSG_STATIC")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/movrimsg.pc.in ${PROJECT_BINARY_DIR}/movrimsg.pc.in @ONLY)
install(CODE "
  set(MOVRIMSG_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
  if(DEFINED ENV{MOVRIMSG_PACKAGE_PREFIX})
    set(MOVRIMSG_PC_PREFIX \"\$ENV{MOVRIMSG_PACKAGE_PREFIX}\")
  endif()
  configure_file(${PROJECT_BINARY_DIR}/movrimsg.pc.in ${PROJECT_BINARY_DIR}/installed/movrimsg.pc @ONLY)
  " COMPONENT development)
install(FILES ${PROJECT_BINARY_DIR}/installed/movrimsg.pc
  DESTINATION ${MOVRIMSG_INSTALL_PKGCONFIGDIR} COMPONENT development)
