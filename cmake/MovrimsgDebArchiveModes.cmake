# Run by CPack after each package generator. CPack gives the members of a
# .deb's ar archive (debian-binary, control.tar.gz, data.tar.gz) the modes
# that the umask gave its temporary files; they get 0644, as dpkg-deb writes
# them, so that a package's bytes do not depend on the umask. An ar member's
# header is 60 bytes: its mode, in octal text, at 40 and its size at 48.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
set(mode_field ${CPACK_TOPLEVEL_DIRECTORY}/ar-member-mode)
file(WRITE ${mode_field} "100644  ")
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.deb$")
    continue()
  endif()
  file(SIZE ${package} package_size)
  set(header 8)
  while(header LESS package_size)
    math(EXPR mode_at "${header} + 40")
    math(EXPR size_at "${header} + 48")
    file(READ ${package} mode OFFSET ${mode_at} LIMIT 8)
    file(READ ${package} size OFFSET ${size_at} LIMIT 10)
    string(STRIP "${mode}" mode)
    string(STRIP "${size}" size)
    if(NOT mode MATCHES "^100[0-7][0-7][0-7]$" OR NOT size MATCHES "^[0-9]+$")
      message(FATAL_ERROR "${package}: no ar member header at byte ${header}")
    endif()
    execute_process(COMMAND dd of=${package} bs=1 seek=${mode_at} conv=notrunc status=none
      INPUT_FILE ${mode_field} COMMAND_ERROR_IS_FATAL ANY)
    math(EXPR header "${header} + 60 + ${size} + ${size} % 2")
  endwhile()
endforeach()
