# brinemere_add_resources(TARGET LIST...): gives a program the pictures and data
# named in resource lists (lines "name type file", a relative file found beside its
# list, # starts a comment). On Windows they become the program's resources through
# a resource script (the project enables the RC language); elsewhere a table
# compiled into the program, which the backends search by name and type.

include(${CMAKE_CURRENT_LIST_DIR}/resource_lists.cmake)
set(_brinemere_embed ${CMAKE_CURRENT_LIST_DIR}/embed_resources.cmake)

function(brinemere_add_resources target)
  brinemere_read_resource_lists(_names _types _files ${ARGN})
  set(_merged "")
  foreach(_name _type _file IN ZIP_LISTS _names _types _files)
    if(NOT EXISTS ${_file})
      message(FATAL_ERROR "${target}'s resource ${_name}: ${_file} does not exist")
    endif()
    string(APPEND _merged "${_name} ${_type} ${_file}\n")
  endforeach()
  set(_deps ${ARGN} ${_files})
  set(_out ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources)
  if(WIN32)
    if(_merged STREQUAL "")
      return()  # the system's resource lookup finds nothing by itself
    endif()
    string(REGEX REPLACE "([^ \n]+) ([^ \n]+) ([^\n]+)" "\\1 \\2 \"\\3\"" _script "${_merged}")
    file(CONFIGURE OUTPUT ${_out}.rc CONTENT "${_script}" @ONLY)
    target_sources(${target} PRIVATE ${_out}.rc)
  else()
    file(CONFIGURE OUTPUT ${_out}.txt CONTENT "${_merged}" @ONLY)
    add_custom_command(OUTPUT ${_out}.cpp
      COMMAND ${CMAKE_COMMAND} -DMANIFEST=${_out}.txt -DOUT=${_out}.cpp -P ${_brinemere_embed}
      DEPENDS ${_deps} ${_out}.txt ${_brinemere_embed}
      COMMENT "Embedding the resources of ${target}")
    target_sources(${target} PRIVATE ${_out}.cpp)
  endif()
endfunction()
