# Packages: a Debian package of the Linux target (its library dependencies found
# by dpkg-shlibdeps from the programs themselves) and a zip of the Windows target
# with a short install text. scripts/package builds both.

set(CPACK_PACKAGE_NAME brinemere)
set(CPACK_PACKAGE_VENDOR "Brinemere developers")
set(CPACK_PACKAGE_CONTACT "Brinemere developers <brinemere@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "animated sea screen saver, also an XScreenSaver hack")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)

if(WIN32)
  # The zip holds both builds, each in a folder of its own; the 32-bit build makes it.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    include(${CMAKE_CURRENT_LIST_DIR}/windows_installer.cmake)
    # The installer's stripped copies (cmake/windows_installer.cmake): the same bytes.
    install(PROGRAMS ${BRINE_STRIPPED}/32-bit/Brinemere.scr DESTINATION 32-bit)
    install(PROGRAMS ${BRINE_STRIPPED}/64-bit/Brinemere.scr DESTINATION 64-bit)
  else()
    install(TARGETS Brinemere RUNTIME DESTINATION 64-bit)
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/resources/win32/INSTALL.txt DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win32)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  # One zip: the saver at its top, the framework package in sdk/.
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_COMPONENTS_ALL Unspecified framework)
else()
  # What every Debian package carries in its doc folder; the changelog gzipped
  # without a time stamp like the man pages.
  set(_doc ${CMAKE_CURRENT_BINARY_DIR}/doc)
  add_custom_command(OUTPUT ${_doc}/changelog.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_doc}
    COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/resources/linux/changelog > ${_doc}/changelog.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/resources/linux/changelog
    VERBATIM)
  add_custom_target(brine_package_doc ALL DEPENDS ${_doc}/changelog.gz)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/linux/copyright ${_doc}/changelog.gz
    DESTINATION share/doc/brinemere)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION games)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_ENHANCES xscreensaver)
  # The summary above is the first line; this is the rest.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Brinemere shows an animated sea: a flat sky, a large disc low in the sky
that drifts slowly sideways, and twenty layers of waves with foam on their
crests, all drawn in software. It runs full screen until Esc is released,
draws into a window XScreenSaver gives it (-root, -window-id), and comes with
brinemere-render, which draws the same frames without a display and writes
them as PNG pictures, an animated GIF or a YUV4MPEG2 stream for video
encoders.")

  # A second package from the same build: the framework for other programs.
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL Unspecified framework)
  set(CPACK_DEBIAN_UNSPECIFIED_PACKAGE_NAME brinemere)
  set(CPACK_DEBIAN_FRAMEWORK_PACKAGE_NAME libbrinemere-dev)
  set(CPACK_DEBIAN_FRAMEWORK_PACKAGE_SECTION libdevel)
  set(CPACK_DEBIAN_FRAMEWORK_PACKAGE_SHLIBDEPS OFF)
  # Static libraries: a program links the backends' libraries itself.
  set(CPACK_DEBIAN_FRAMEWORK_PACKAGE_DEPENDS
    "libsdl2-dev, libx11-dev, libpng-dev, libgif-dev, libjpeg-dev, libtiff-dev, zlib1g-dev")
  set(CPACK_DEBIAN_FRAMEWORK_DESCRIPTION "2D framework of the Brinemere screen saver
The framework under the Brinemere screen saver, for programs of one's own:
an application shell with a process thread and frame pacing, a software back
buffer, ten blend modes, an anti-aliased polygon rasterizer and shapes, noise,
pictures and sprite widgets, a bitmap font, a mouse menu, files and the
clipboard. Static libraries for the framework and its SDL2 and headless
backends, headers, a CMake package and pkg-config files.")
endif()

include(CPack)
