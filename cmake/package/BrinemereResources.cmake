# brinemere_add_resources(TARGET LIST...): gives a program the pictures and data
# named in resource lists (lines "name type file", a relative file found beside its
# list, # starts a comment). On Windows they become the program's resources through
# a resource script (the project enables the RC language); elsewhere a table
# compiled into the program, which the backends search by name and type.

set(_brinemere_embed ${CMAKE_CURRENT_LIST_DIR}/embed_resources.cmake)

function(brinemere_add_resources target)
  set(_merged "")
  set(_deps "")
  foreach(_list IN LISTS ARGN)
    get_filename_component(_list ${_list} ABSOLUTE)
    get_filename_component(_dir ${_list} DIRECTORY)
    file(STRINGS ${_list} _lines)
    list(APPEND _deps ${_list})
    foreach(_line IN LISTS _lines)
      if(_line MATCHES "^[ \t]*#" OR _line MATCHES "^[ \t]*$")
        continue()
      endif()
      string(REGEX REPLACE "[ \t]+" ";" _fields "${_line}")
      list(LENGTH _fields _count)
      if(NOT _count EQUAL 3)
        message(FATAL_ERROR "${_list}: \"${_line}\" is not \"name type file\"")
      endif()
      list(GET _fields 0 _name)
      list(GET _fields 1 _type)
      list(GET _fields 2 _file)
      if(NOT IS_ABSOLUTE ${_file})
        set(_file ${_dir}/${_file})
      endif()
      if(NOT EXISTS ${_file})
        message(FATAL_ERROR "${_list}: ${_file} does not exist")
      endif()
      list(APPEND _deps ${_file})
      string(APPEND _merged "${_name} ${_type} ${_file}\n")
    endforeach()
  endforeach()
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
