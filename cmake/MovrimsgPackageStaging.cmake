# Run by CPack on the staged tree of each package generator before it packs:
# directories get mode 0755 whatever the umask was, manual pages are
# compressed (reproducibly: gzip -n keeps no name or time) and, for Debian,
# shared libraries lose the executable bit they do not need.
file(GLOB_RECURSE staged LIST_DIRECTORIES true ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*)
foreach(path IN ITEMS ${CPACK_TEMPORARY_INSTALL_DIRECTORY} LISTS staged)
  if(IS_DIRECTORY ${path} AND NOT IS_SYMLINK ${path})
    file(CHMOD ${path} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
      GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endif()
endforeach()

file(GLOB_RECURSE manual_pages ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*.[1-9])
list(FILTER manual_pages INCLUDE REGEX "/man/man[1-9]/[^/]+$")
foreach(page IN LISTS manual_pages)
  execute_process(COMMAND gzip -9nf ${page} COMMAND_ERROR_IS_FATAL ANY)
endforeach()

if(CPACK_GENERATOR STREQUAL "DEB")
  file(GLOB_RECURSE libraries ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/lib*.so.*)
  foreach(library IN LISTS libraries)
    if(NOT IS_SYMLINK ${library})
      file(CHMOD ${library} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    endif()
  endforeach()
endif()
