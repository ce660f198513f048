# Reads src/movrimsg.exports: one exported function a line, its name and the
# version (major.minor) that introduced it; lines starting with # are notes.
# Each version has its own symbol version node: MOVRIMSG_<major> for
# <major>.0 and MOVRIMSG_<major>.<minor> after it.
set(MOVRIMSG_EXPORTS_FILE ${CMAKE_CURRENT_LIST_DIR}/../src/movrimsg.exports)

# Gives, in <names>, the exported functions in the file's order; in
# <versions>, the version of each; and, in <releases>, the versions that
# introduced any, oldest first.
function(movrimsg_read_exports names versions releases)
  file(STRINGS ${MOVRIMSG_EXPORTS_FILE} lines REGEX "^[^#]")
  set(name_list)
  set(version_list)
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "^([A-Za-z_][A-Za-z0-9_]*) +([0-9]+)\\.([0-9]+)$")
      message(FATAL_ERROR "src/movrimsg.exports: expected `name major.minor`, found `${line}`")
    endif()
    set(version "${CMAKE_MATCH_2}.${CMAKE_MATCH_3}")
    if(NOT CMAKE_MATCH_2 EQUAL PROJECT_VERSION_MAJOR OR version VERSION_GREATER
       "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
      message(FATAL_ERROR "src/movrimsg.exports: ${CMAKE_MATCH_1} is given version ${version}, "
        "which is not a release of major version ${PROJECT_VERSION_MAJOR} up to ${PROJECT_VERSION}")
    endif()
    list(APPEND name_list ${CMAKE_MATCH_1})
    list(APPEND version_list ${version})
  endforeach()
  set(release_list ${version_list})
  list(REMOVE_DUPLICATES release_list)
  list(SORT release_list COMPARE NATURAL)
  set(${names} ${name_list} PARENT_SCOPE)
  set(${versions} ${version_list} PARENT_SCOPE)
  set(${releases} ${release_list} PARENT_SCOPE)
endfunction()

# Gives, in <names>, the exported functions that <release> introduced.
function(movrimsg_exports_of release names)
  movrimsg_read_exports(all_names all_versions all_releases)
  set(name_list)
  list(LENGTH all_names count)
  foreach(index RANGE 1 ${count})
    math(EXPR index "${index} - 1")
    list(GET all_versions ${index} version)
    if(version STREQUAL release)
      list(GET all_names ${index} name)
      list(APPEND name_list ${name})
    endif()
  endforeach()
  set(${names} ${name_list} PARENT_SCOPE)
endfunction()

# The symbol version node of <version>.
function(movrimsg_version_node version node)
  string(REGEX REPLACE "^([0-9]+)\\.0$" "\\1" short "${version}")
  set(${node} MOVRIMSG_${short} PARENT_SCOPE)
endfunction()
