# Installation of the Linux target where Debian's packages put such files: the
# program in games/ (its man page is in section 6) with a link where XScreenSaver
# looks for its hacks, the hack's description for XScreenSaver's settings, the
# man pages compressed as Debian's policy asks, and a desktop entry.

set(_linux ${PROJECT_SOURCE_DIR}/resources/linux)
set(_man ${CMAKE_CURRENT_BINARY_DIR}/man)
set(_man_pages)
foreach(_page brinemere.6 brinemere-render.6)
  # gzip -n: no name or time stamp inside, so the package is the same every build.
  add_custom_command(OUTPUT ${_man}/${_page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_man}
    COMMAND gzip -9 -n -c ${_linux}/${_page} > ${_man}/${_page}.gz
    DEPENDS ${_linux}/${_page}
    VERBATIM)
  list(APPEND _man_pages ${_man}/${_page}.gz)
endforeach()
add_custom_target(brine_man_pages ALL DEPENDS ${_man_pages})

install(TARGETS brinemere brinemere-render RUNTIME DESTINATION games)
# A relative link, so the tree works under any prefix or DESTDIR.
install(CODE "
  set(_dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/libexec/xscreensaver\")
  file(MAKE_DIRECTORY \"\${_dir}\")
  file(CREATE_LINK ../../games/brinemere \"\${_dir}/brinemere\" SYMBOLIC)
  message(STATUS \"Installing: \${_dir}/brinemere -> ../../games/brinemere\")
")
install(FILES ${_linux}/brinemere.xml DESTINATION share/xscreensaver/config)
install(FILES ${_man_pages} DESTINATION share/man/man6)
install(FILES ${_linux}/brinemere.desktop DESTINATION share/applications)
