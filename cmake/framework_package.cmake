# The framework as a package other programs build on: `cmake --install BUILD
# --component framework` puts the public headers under include/brinemere/, a static
# library for the framework and for each backend, a CMake package and pkg-config
# files. The rules are left out of a plain install, so the saver's is unchanged.
#
# Public are the headers an application includes: the platform's types and
# messages, the shell, the surface, input, vector drawing, noise, the clipped
# blend entry points, pictures and widgets, the font, files, and the start of each
# backend. Kernels, routine tables, allocation internals and the backends' own
# plumbing stay private: applications reach them only through the entry points.

include(CMakePackageConfigHelpers)

set(BRINE_PUBLIC_HEADERS
  platform/platform.h platform/common/resources.h platform/common/canvas.h
  platform/headless/headless.h
  shell/shell.h shell/shared_word.h shell/pacing.h shell/monitors.h
  surface/surface.h surface/saved_rects.h
  input/input_state.h
  vector/path.h vector/shapes.h vector/fills.h vector/band_threads.h
  noise/noise.h noise/random.h
  blend/color.h blend/dispatch.h blend/drawing_state.h
  image/base_spr.h image/picture_io.h image/color_ramp.h image/widget_list.h
  image/list_spr.h image/number_spr.h image/scroll_spr.h image/mouse_menu.h
  font/font_spr.h
  io/io.h)
set(_backends brine_platform_common brine_platform_headless)
if(WIN32)
  list(APPEND BRINE_PUBLIC_HEADERS platform/win32/win32.h)
  list(APPEND _backends brine_platform_win32 brine_platform_win32_pictures)
else()
  list(APPEND BRINE_PUBLIC_HEADERS platform/sdl/sdl.h)
  list(APPEND _backends brine_platform_codecs brine_platform_sdl)
endif()

# The Windows zip holds the saver at its top and the package in a folder of its own.
set(_root "")
if(WIN32)
  set(_root sdk/)
endif()
set(_include ${_root}include/brinemere)
# Debian keeps architecture-dependent files in the multiarch folder.
set(_libdir ${_root}lib)
set(PC_PREFIX "\${pcfiledir}/../..")
if(CMAKE_LIBRARY_ARCHITECTURE AND NOT WIN32)
  set(_libdir lib/${CMAKE_LIBRARY_ARCHITECTURE})
  set(PC_PREFIX "\${pcfiledir}/../../..")
endif()
foreach(_header IN LISTS BRINE_PUBLIC_HEADERS)
  get_filename_component(_dir ${_header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/src/${_header} DESTINATION ${_include}/${_dir}
    COMPONENT framework EXCLUDE_FROM_ALL)
endforeach()

# Installed names: Brinemere::framework, ::headless, ::sdl, ::win32; the parts a
# backend is built from keep a name of their own.
set_target_properties(brine_framework PROPERTIES EXPORT_NAME framework)
set_target_properties(brine_platform_common PROPERTIES EXPORT_NAME platform_common)
set_target_properties(brine_platform_headless PROPERTIES EXPORT_NAME headless)
if(WIN32)
  set_target_properties(brine_platform_win32 PROPERTIES EXPORT_NAME win32)
  set_target_properties(brine_platform_win32_pictures PROPERTIES EXPORT_NAME win32_pictures)
else()
  set_target_properties(brine_platform_codecs PROPERTIES EXPORT_NAME codecs)
  set_target_properties(brine_platform_sdl PROPERTIES EXPORT_NAME sdl)
endif()
# Applications include <brinemere/...>; the headers include each other from the
# folder inside. Their own code keeps the determinism flags of the framework's.
target_include_directories(brine_framework INTERFACE
  $<INSTALL_INTERFACE:${_root}include> $<INSTALL_INTERFACE:${_include}>)
target_compile_options(brine_framework INTERFACE $<INSTALL_INTERFACE:-ffp-contract=off>)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  target_compile_options(brine_framework INTERFACE $<INSTALL_INTERFACE:-msse2 -mfpmath=sse>)
endif()
if(WIN32)
  # The programs need no DLL beyond the system's, as the saver.
  target_link_options(brine_framework INTERFACE
    $<INSTALL_INTERFACE:-static -static-libgcc -static-libstdc++>)
endif()

set(_cmake_dir ${_libdir}/cmake/Brinemere)
install(TARGETS brine_framework ${_backends} EXPORT BrinemereTargets
  ARCHIVE DESTINATION ${_libdir} COMPONENT framework EXCLUDE_FROM_ALL)
install(EXPORT BrinemereTargets NAMESPACE Brinemere:: DESTINATION ${_cmake_dir}
  COMPONENT framework EXCLUDE_FROM_ALL)
set(BRINE_STOCK_DIR ${_root}share/brinemere)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/package/BrinemereConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/package/BrinemereConfig.cmake INSTALL_DESTINATION ${_cmake_dir}
  PATH_VARS BRINE_STOCK_DIR)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/package/BrinemereConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/package/BrinemereConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/package/BrinemereConfigVersion.cmake
  ${PROJECT_SOURCE_DIR}/cmake/package/BrinemereResources.cmake
  ${PROJECT_SOURCE_DIR}/cmake/embed_resources.cmake ${PROJECT_SOURCE_DIR}/cmake/resource_lists.cmake
  DESTINATION ${_cmake_dir} COMPONENT framework EXCLUDE_FROM_ALL)

# The framework's stock pictures, for applications to embed: the bitmap font and
# the mouse menu's bars, listed in a resource list of their own.
install(FILES ${PROJECT_SOURCE_DIR}/cmake/package/stock.txt
  ${PROJECT_SOURCE_DIR}/resources/type_en_ru.gif ${PROJECT_SOURCE_DIR}/resources/demo_bar3.png
  ${PROJECT_SOURCE_DIR}/resources/demo_bar2.png ${PROJECT_SOURCE_DIR}/resources/demo_bar1.png
  DESTINATION ${BRINE_STOCK_DIR} COMPONENT framework EXCLUDE_FROM_ALL)

if(NOT WIN32)
  # libbrinemere-dev carries the copyright and changelog of every Debian package
  # (package.cmake gzips the changelog).
  install(FILES ${PROJECT_SOURCE_DIR}/resources/linux/copyright
    ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog.gz DESTINATION share/doc/libbrinemere-dev
    COMPONENT framework EXCLUDE_FROM_ALL)

  # pkg-config: brinemere (the framework) and one file per backend that adds it.
  set(_pc ${CMAKE_CURRENT_BINARY_DIR}/package)
  set(PC_NAME brinemere)
  set(PC_SUMMARY "the Brinemere 2D framework (link a backend too)")
  set(PC_REQUIRES "")
  set(PC_LIBDIR ${_libdir})
  set(PC_LIBS "-lbrine_framework")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/package/brinemere.pc.in ${_pc}/brinemere.pc @ONLY)
  set(PC_REQUIRES "brinemere, libpng, libjpeg, libtiff-4, zlib")
  set(PC_CODECS "-lbrine_platform_codecs -lbrine_platform_common -lbrine_framework -lgif -pthread")
  set(PC_NAME brinemere-headless)
  set(PC_SUMMARY "the Brinemere framework's headless backend")
  set(PC_LIBS "-lbrine_platform_headless ${PC_CODECS}")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/package/brinemere.pc.in ${_pc}/brinemere-headless.pc @ONLY)
  set(PC_NAME brinemere-sdl)
  set(PC_SUMMARY "the Brinemere framework's SDL2 backend")
  set(PC_REQUIRES "${PC_REQUIRES}, sdl2, x11")
  set(PC_LIBS "-lbrine_platform_sdl ${PC_CODECS}")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/package/brinemere.pc.in ${_pc}/brinemere-sdl.pc @ONLY)
  install(FILES ${_pc}/brinemere.pc ${_pc}/brinemere-headless.pc ${_pc}/brinemere-sdl.pc
    DESTINATION ${_libdir}/pkgconfig COMPONENT framework EXCLUDE_FROM_ALL)
endif()

# The API reference: `docs` writes HTML from the public headers' comments with
# Debian's doxygen; an undocumented public name fails it.
find_program(BRINE_DOXYGEN doxygen)
if(BRINE_DOXYGEN)
  set(DOXYGEN_OUT ${CMAKE_CURRENT_BINARY_DIR}/docs)
  set(DOXYGEN_INPUT ${BRINE_PUBLIC_HEADERS} platform/sdl/sdl.h platform/win32/win32.h)
  list(REMOVE_DUPLICATES DOXYGEN_INPUT)
  list(TRANSFORM DOXYGEN_INPUT PREPEND ${PROJECT_SOURCE_DIR}/src/)
  list(JOIN DOXYGEN_INPUT " " DOXYGEN_INPUT)
  configure_file(${PROJECT_SOURCE_DIR}/docs/api/Doxyfile.in ${DOXYGEN_OUT}/Doxyfile @ONLY)
  add_custom_target(docs COMMAND ${BRINE_DOXYGEN} ${DOXYGEN_OUT}/Doxyfile
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} VERBATIM
    COMMENT "Writing the API reference to ${DOXYGEN_OUT}/html")
endif()
